// The application title, the error texts and the full-screen toggle.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/app_text.h"
#include "app/fullscreen.h"
#include "app/gbk.h"
#include "fakes.h"

using namespace qctest;
using ::testing::ElementsAre;

TEST(ApplicationTitle, FileNameCutAtFirstFullStopRestLowered) {
    EXPECT_EQ(qc::applicationTitle("/usr/bin/qingchuan"), "qingchuan");
    EXPECT_EQ(qc::applicationTitle("C:\\APPS\\QINGCHUAN.EXE"), "Qingchuan");
    EXPECT_EQ(qc::applicationTitle("/opt/My.Viewer.bin"), "My");
    EXPECT_EQ(qc::applicationTitle("/opt/qIngChuan"), "qingchuan");
    EXPECT_EQ(qc::applicationTitle(".hidden"), "");
    EXPECT_EQ(qc::applicationTitle("dir.d/Qc"), "Qc");
}

TEST(ErrorTexts, HandlerBoxAddsAFullStopAfterCharactersSortingAfterIt) {
    EXPECT_EQ(qc::handlerErrorText("Access violation"), "Access violation.");
    EXPECT_EQ(qc::handlerErrorText("Done."), "Done.");
    EXPECT_EQ(qc::handlerErrorText("Really!"), "Really!");  // '!' sorts before '.'
    EXPECT_EQ(qc::handlerErrorText("(x)"), "(x)");
    EXPECT_EQ(qc::handlerErrorText("code 42"), "code 42.");
    EXPECT_EQ(qc::handlerErrorText("播放器拒绝了该属性"), "播放器拒绝了该属性.");
    EXPECT_EQ(qc::handlerErrorText(""), "");
}

TEST(ErrorTexts, StartupBoxNamesKindModuleAndAddress) {
    EXPECT_EQ(qc::startupErrorText("EOleSysError", "qingchuan", 0x4A2F10, "Class not registered"),
              std::string("Exception EOleSysError in module qingchuan at ") +
                  (sizeof(void*) == 8 ? "00000000004A2F10" : "004A2F10") + ".\nClass not registered.");
    std::string text = qc::startupErrorText("E", "m", 0, "ends here.");
    EXPECT_EQ(text.substr(text.find('\n') + 1), "ends here.");
}

TEST(Caption, VersionTagIsTheLastFourOfTwentyGbkBytes) {
    std::string gbk = qc::utf8ToGbk(qc::kMainCaption);
    ASSERT_EQ(gbk.size(), 20u);
    EXPECT_EQ(gbk.substr(16, 4), "1.31");
    EXPECT_EQ(qc::gbkToUtf8(gbk), qc::kMainCaption);
}

TEST(Gbk, MalformedAndUnmappableTextIsReplacedNotLost) {
    EXPECT_EQ(qc::gbkToUtf8("ab\x81"), "ab\xEF\xBF\xBD");       // cut-off double byte
    EXPECT_EQ(qc::utf8ToGbk("a\xF0\x9F\x98\x80" "b"), "a?b");   // no emoji in GBK
    EXPECT_EQ(qc::utf8ToGbk("a\xFF" "b"), "a?b");                // not UTF-8 at all
    EXPECT_TRUE(qc::isValidUtf8("晴川"));
    EXPECT_FALSE(qc::isValidUtf8("\xC0\xAF"));  // overlong
    EXPECT_FALSE(qc::isValidUtf8(qc::utf8ToGbk("晴川")));
}

namespace {

struct ToggleCase {
    int state;
    qc::ControlBool before;
    std::vector<std::string> calls;
};

class FullScreenToggle : public ::testing::TestWithParam<ToggleCase> {};

}  // namespace

TEST_P(FullScreenToggle, NegatesOnlyWhilePlaying) {
    CallLog log;
    FakePlayer player(log);
    player.state = GetParam().state;
    player.full = GetParam().before;
    qc::toggleFullScreen(player);
    EXPECT_EQ(log, GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    EveryPlayState, FullScreenToggle,
    ::testing::Values(
        ToggleCase{qc::kPlaying, 0, {"playState?", "fullScreen?", "fullScreen=-1"}},
        ToggleCase{qc::kPlaying, -1, {"playState?", "fullScreen?", "fullScreen=0"}},
        ToggleCase{qc::kPlaying, 1, {"playState?", "fullScreen?", "fullScreen=0"}},  // any non-zero is true
        ToggleCase{qc::kUndefined, 0, {"playState?"}}, ToggleCase{qc::kStopped, -1, {"playState?"}},
        ToggleCase{qc::kPaused, -1, {"playState?"}}, ToggleCase{qc::kBuffering, 0, {"playState?"}},
        ToggleCase{qc::kMediaEnded, 0, {"playState?"}}, ToggleCase{qc::kTransitioning, 0, {"playState?"}},
        ToggleCase{qc::kReady, 0, {"playState?"}}));

TEST(FullScreenToggleTwice, EntersThenLeaves) {
    CallLog log;
    FakePlayer player(log);
    player.state = qc::kPlaying;
    qc::toggleFullScreen(player);
    EXPECT_EQ(player.full, qc::kControlTrue);
    qc::toggleFullScreen(player);
    EXPECT_EQ(player.full, qc::kControlFalse);
}
