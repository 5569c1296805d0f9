// The update check's procedure against recording fakes: both forms, the tags, the memo's loading.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/app_text.h"
#include "core/update/update_check.h"
#include "files.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::string_literals;
using qctest::readFile;
using qctest::writeFile;

namespace {

using Log = std::vector<std::string>;

// Writes `body` to the path like a successful download, or fails without touching the file.
struct FakeDownload : qc::Download {
    explicit FakeDownload(Log& l) : log(l) {}
    bool DownloadFile(const std::string& address, const std::string& path) override {
        log.push_back("DownloadFile " + address + " " + path);
        if (!succeed) return false;
        if (writeBody) writeFile(path, body);
        return true;
    }
    Log& log;
    bool succeed = true;
    bool writeBody = true;
    std::string body;
};

struct FakeMemo : qc::Memo {
    explicit FakeMemo(Log& l) : log(l) {}
    void setText(const std::string& gbk) override {
        log.push_back("m.setText");
        held = gbk;
    }
    std::string text() const override {
        log.push_back("m.text");
        return held;
    }
    Log& log;
    std::string held;
};

struct FakeBoxes : qc::MessageBoxes {
    explicit FakeBoxes(Log& l) : log(l) {}
    void show(qc::MessageKind kind, const std::string& text) override {
        log.push_back((kind == qc::MessageKind::Information ? "Information "s : "Confirmation "s) + text);
    }
    Log& log;
};

struct FakeHost : qc::UpdateHost {
    explicit FakeHost(Log& l) : log(l) {}
    std::string caption() const override {
        log.push_back("caption");
        return captionText;
    }
    std::string executableFolder() const override {
        log.push_back("folder");
        return folder;
    }
    void closeMainWindow() override { log.push_back("close Form1"); }
    Log& log;
    std::string captionText{qc::kMainCaption};
    std::string folder;
};

struct FakeLauncher : qc::ProcessLauncher {
    explicit FakeLauncher(Log& l) : log(l) {}
    void startDetached(const std::string& program) override { log.push_back("start " + program); }
    Log& log;
};

struct FakeTimer : qc::Timer {
    explicit FakeTimer(Log& l) : log(l) {}
    void disable() override { log.push_back("disable Timer1"); }
    Log& log;
};

const std::string kAddress = "http://www.qingchuan.example/update/update.txt";

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qc-update-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        host.folder = dir + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string descriptor() const { return dir + "/update.txt"; }
    std::string updater() const { return dir + "/update.exe"; }
    Log entriesStartingWith(const std::string& prefix) const {
        Log out;
        for (const std::string& e : log)
            if (e.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }
    // What the user sees and what is started: boxes, closing and the updater, in order.
    Log visible() const {
        Log out;
        for (const std::string& e : log)
            if (e.rfind("Information ", 0) == 0 || e.rfind("Confirmation ", 0) == 0 || e == "close Form1" ||
                e.rfind("start ", 0) == 0)
                out.push_back(e);
        return out;
    }

    std::string dir;
    Log log;
    FakeDownload download{log};
    FakeMemo memo{log};
    FakeBoxes boxes{log};
    FakeHost host{log};
    FakeLauncher launcher{log};
    FakeTimer timer{log};
    qc::UpdatePorts ports{kAddress, download, memo, boxes, host, launcher};
};

}  // namespace

TEST(VersionTag, BytesSeventeenToTwentyOfTheGbkCaption) {
    EXPECT_EQ(qc::versionTag(qc::kMainCaption), "1.31");
    EXPECT_EQ(qc::versionTag("晴川影音同乐会 V2.05"), "2.05");
    // Counted in GBK bytes, two for a Chinese character: in UTF-8 the same position differs.
    EXPECT_EQ(qc::versionTag("晴川影音同乐会 V1.31 beta"), "1.31");
    EXPECT_EQ(qc::versionTag("ABCDEFGHIJKLMNOPQRSTUVWX"), "QRST");
    EXPECT_EQ(qc::versionTag("ABCDEFGHIJKLMNOPQR"), "QR");
    EXPECT_EQ(qc::versionTag("ABCDEFGHIJKLMNOP"), "");
    EXPECT_EQ(qc::versionTag(""), "");
}

TEST(MemoText, EachKindOfLineBreakBecomesOneCrLf) {
    EXPECT_EQ(qc::memoTextOf("a\r\nb"), "a\r\nb");
    EXPECT_EQ(qc::memoTextOf("a\nb"), "a\r\nb");
    EXPECT_EQ(qc::memoTextOf("a\rb"), "a\r\nb");
    EXPECT_EQ(qc::memoTextOf("a\n\rb"), "a\r\n\r\nb");  // LF then CR: two breaks
    EXPECT_EQ(qc::memoTextOf("a\r\r\nb\n\nc"), "a\r\n\r\nb\r\n\r\nc");
    EXPECT_EQ(qc::memoTextOf("\n1.31"), "\r\n1.31");
}

TEST(MemoText, TrailingBreakKeptEmptyStaysEmpty) {
    EXPECT_EQ(qc::memoTextOf("1.31\n"), "1.31\r\n");
    EXPECT_EQ(qc::memoTextOf("1.31\r"), "1.31\r\n");
    EXPECT_EQ(qc::memoTextOf(""), "");
}

TEST(MemoText, EndsAtTheFirstNulByte) {
    EXPECT_EQ(qc::memoTextOf("1.31\0rest"s), "1.31");
    EXPECT_EQ(qc::memoTextOf("1.3\0"
                             "1"s),
              "1.3");
    EXPECT_EQ(qc::memoTextOf("\0"
                             "1.31"s),
              "");
}

TEST(MemoText, OtherBytesAndAByteOrderMarkAreKept) {
    EXPECT_EQ(qc::memoTextOf("\xEF\xBB\xBF"
                             "1.31"),
              "\xEF\xBB\xBF"
              "1.31");
    EXPECT_EQ(qc::memoTextOf("\xC7\xE7\xB4\xA8\t x"), "\xC7\xE7\xB4\xA8\t x");
}

TEST(DescriptorTag, FirstFourBytesOrFewer) {
    EXPECT_EQ(qc::descriptorTag("1.31\r\nnext"), "1.31");
    EXPECT_EQ(qc::descriptorTag("1.3"), "1.3");
    EXPECT_EQ(qc::descriptorTag(""), "");
    EXPECT_EQ(qc::descriptorTag("\r\n1.31"), "\r\n1.");
}

TEST_F(UpdateCheckTest, LoadFromFileReplacesTheMemoText) {
    memo.held = "old text";
    writeFile(descriptor(), "1.30\nline two\r");
    qc::loadFromFile(memo, descriptor());
    EXPECT_EQ(memo.held, "1.30\r\nline two\r\n");
}

TEST_F(UpdateCheckTest, LoadFromFileThrowsWhenTheFileCannotBeRead) {
    try {
        qc::loadFromFile(memo, dir + "/absent.txt");
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr(dir + "/absent.txt"));
    }
    EXPECT_THROW(qc::loadFromFile(memo, dir), std::runtime_error);  // a folder
    EXPECT_TRUE(entriesStartingWith("m.").empty());
}

TEST_F(UpdateCheckTest, SilentDisablesTimer1FirstThenDownloadsIntoTheExecutablesFolder) {
    download.body = "1.31";
    qc::silentCheck(ports, timer);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "disable Timer1");
    EXPECT_THAT(entriesStartingWith("DownloadFile"), ElementsAre("DownloadFile " + kAddress + " " + descriptor()));
}

TEST_F(UpdateCheckTest, SilentEqualTagsSayNothing) {
    download.body = "1.31\r\nhttp://www.qingchuan.example/setup.exe";
    qc::silentCheck(ports, timer);
    EXPECT_TRUE(visible().empty());
    EXPECT_THAT(entriesStartingWith("m."), ElementsAre("m.setText", "m.text"));
}

TEST_F(UpdateCheckTest, SilentDifferentTagAnnouncesClosesThenStartsTheUpdater) {
    download.body = "1.32";
    qc::silentCheck(ports, timer);
    EXPECT_THAT(visible(), ElementsAre("Confirmation 晴川检测到有新版本可供升级。", "close Form1", "start " + updater()));
}

TEST_F(UpdateCheckTest, SilentFailedDownloadSaysNothingAndReadsNoOldFile) {
    writeFile(descriptor(), "1.30");  // left by an earlier run
    memo.held = "1.31";
    download.succeed = false;
    qc::silentCheck(ports, timer);
    EXPECT_TRUE(visible().empty());
    EXPECT_TRUE(entriesStartingWith("m.").empty());
    EXPECT_EQ(log.front(), "disable Timer1");
    EXPECT_EQ(readFile(descriptor()), "1.30");
}

TEST_F(UpdateCheckTest, SilentUnreadableDescriptorRaisesAfterTimer1IsDisabled) {
    download.writeBody = false;  // "succeeds" but leaves no file
    EXPECT_THROW(qc::silentCheck(ports, timer), std::runtime_error);
    EXPECT_EQ(log.front(), "disable Timer1");
    EXPECT_TRUE(visible().empty());
}

TEST_F(UpdateCheckTest, InteractiveFormsPathAndTagBeforeTheTransfer) {
    download.body = "1.31";
    qc::interactiveCheck(ports);
    ASSERT_GE(log.size(), 3u);
    Log firstThree(log.begin(), log.begin() + 3);
    EXPECT_THAT(firstThree, ::testing::UnorderedElementsAre("folder", "caption", "DownloadFile " + kAddress + " " + descriptor()));
    EXPECT_EQ(firstThree.back().rfind("DownloadFile", 0), 0u);
    EXPECT_TRUE(entriesStartingWith("disable").empty());
}

TEST_F(UpdateCheckTest, InteractiveFailedDownloadIsReported) {
    writeFile(descriptor(), "1.30");
    download.succeed = false;
    qc::interactiveCheck(ports);
    EXPECT_THAT(visible(), ElementsAre("Information 网络连接失败，请稍候重试。"));
    EXPECT_TRUE(entriesStartingWith("m.").empty());
    EXPECT_EQ(readFile(descriptor()), "1.30");
}

TEST_F(UpdateCheckTest, InteractiveEqualTagsAreReported) {
    download.body = "1.31";
    qc::interactiveCheck(ports);
    EXPECT_THAT(visible(), ElementsAre("Information 已经是最新版本，谢谢。"));
}

TEST_F(UpdateCheckTest, InteractiveDifferentTagAsksThenClosesThenStartsTheUpdater) {
    download.body = "1.30";
    qc::interactiveCheck(ports);
    EXPECT_THAT(visible(),
                ElementsAre("Confirmation 检测到有新版本可供升级，马上升级？", "close Form1", "start " + updater()));
}

TEST_F(UpdateCheckTest, InteractiveUnreadableDescriptorRaisesWithoutABox) {
    download.writeBody = false;
    try {
        qc::interactiveCheck(ports);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_THAT(e.what(), HasSubstr(descriptor()));
    }
    EXPECT_TRUE(visible().empty());
}

TEST_F(UpdateCheckTest, TheRunningTagComesFromTheCaption) {
    host.captionText = "晴川影音同乐会 V1.40";
    download.body = "1.40";
    qc::interactiveCheck(ports);
    EXPECT_THAT(visible(), ElementsAre("Information 已经是最新版本，谢谢。"));
}

TEST_F(UpdateCheckTest, AFolderWorkedOutAfreshAtEveryCheck) {
    download.body = "1.30";
    qc::interactiveCheck(ports);
    const std::string other = dir + "/other/";
    std::filesystem::create_directory(other);
    host.folder = other;
    log.clear();
    qc::interactiveCheck(ports);
    EXPECT_THAT(entriesStartingWith("DownloadFile"), ElementsAre("DownloadFile " + kAddress + " " + other + "update.txt"));
    EXPECT_THAT(entriesStartingWith("start"), ElementsAre("start " + other + "update.exe"));
}

// A descriptor's bytes and whether its tag equals the running one.
struct Descriptor {
    const char* name;
    std::string bytes;
    bool equal;
};
void PrintTo(const Descriptor& d, std::ostream* os) { *os << d.name; }

class DescriptorTest : public UpdateCheckTest, public ::testing::WithParamInterface<Descriptor> {};

TEST_P(DescriptorTest, InteractiveOutcome) {
    download.body = GetParam().bytes;
    qc::interactiveCheck(ports);
    if (GetParam().equal)
        EXPECT_THAT(visible(), ElementsAre("Information 已经是最新版本，谢谢。"));
    else
        EXPECT_THAT(visible(),
                    ElementsAre("Confirmation 检测到有新版本可供升级，马上升级？", "close Form1", "start " + updater()));
}

TEST_P(DescriptorTest, SilentOutcome) {
    download.body = GetParam().bytes;
    qc::silentCheck(ports, timer);
    if (GetParam().equal)
        EXPECT_TRUE(visible().empty());
    else
        EXPECT_THAT(visible(), ElementsAre("Confirmation 晴川检测到有新版本可供升级。", "close Form1", "start " + updater()));
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, DescriptorTest,
    ::testing::Values(Descriptor{"Exact", "1.31", true},
                      Descriptor{"FollowedByAnything", "1.31 \xD0\xC2\xB0\xE6\r\nhttp://x.example/\0\xFF"s, true},
                      Descriptor{"FollowedByDigits", "1.315", true},
                      Descriptor{"Older", "1.30", false},
                      Descriptor{"Newer", "2.00", false},
                      Descriptor{"LeadingV", "V1.31", false},
                      Descriptor{"LetterForADigit", "1.3l", false},
                      Descriptor{"Empty", "", false},
                      Descriptor{"ThreeBytes", "1.3", false},
                      Descriptor{"LeadingEmptyLine", "\r\n1.31", false},
                      Descriptor{"LeadingBlank", " 1.31", false},
                      Descriptor{"ByteOrderMark", "\xEF\xBB\xBF"
                                                  "1.31",
                                 false},
                      Descriptor{"CrOnlyBreaks", "1.31\rnext\r", true},
                      Descriptor{"LfOnlyBreaks", "1.31\nnext\n", true},
                      Descriptor{"LfAmongTheFirstFour", "1.3\n1", false},
                      Descriptor{"NulAfterTheTag", "1.31\0\0\0"s, true},
                      Descriptor{"NulInsideTheTag", "1.3\0"
                                                    "1"s,
                                 false},
                      Descriptor{"NulFirst", "\0"
                                             "1.31"s,
                                 false}),
    [](const ::testing::TestParamInfo<Descriptor>& i) { return std::string(i.param.name); });
