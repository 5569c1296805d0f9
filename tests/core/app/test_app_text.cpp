// The application title, the error texts and the main window's caption.

#include <gtest/gtest.h>

#include "core/app/app_text.h"
#include "core/text/gbk.h"

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
    EXPECT_EQ(gbk.substr(16, 4), qc::kVersion);
    EXPECT_EQ(qc::gbkToUtf8(gbk), qc::kMainCaption);
}
