// The update check's procedure against recording fakes: both forms, the tags, the memo's loading.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/app/app_text.h"
#include "core/update/update_check.h"
#include "fakes.h"
#include "files.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::string_literals;
using qctest::readFile;
using qctest::writeFile;

namespace {

using Log = qctest::CallLog;

const std::string kAddress = "http://www.qingchuan.example/update/update.txt";

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qc-update-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        folders.exe = dir + "/";
        folders.library = dir + "/lib/qingchuan/";
        folders.cache = dir + "/cache/qingchuan/";
        folders.writable = {folders.exe};
        folders.files = {updater()};
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
    qctest::FakeDownload download{log};
    qctest::FakeMemo memo{log};
    qctest::FakeBoxes boxes{log};
    qctest::FakeUpdateHost host{log, std::string(qc::kMainCaption)};
    qctest::FakeUpdateFolders folders{log};
    qctest::FakeLauncher launcher{log};
    qctest::FakeTimer timer{log};
    qc::UpdatePorts ports{kAddress, download, memo, boxes, host, folders, launcher};
};

}  // namespace

TEST(VersionTag, BytesSeventeenToTwentyOfTheGbkCaption) {
    EXPECT_EQ(qc::versionTag(qc::kMainCaption), qc::kVersion);
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
    EXPECT_THAT(visible(),
                ElementsAre("Confirmation 晴川检测到有新版本可供升级。", "close Form1", "start " + updater()));
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
    const auto transfer = std::find(log.begin(), log.end(), "DownloadFile " + kAddress + " " + descriptor());
    ASSERT_NE(transfer, log.end());
    EXPECT_THAT(Log(log.begin(), transfer),
                ::testing::UnorderedElementsAre("folder", "writable? " + folders.exe, "caption"));
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
    folders.exe = other;
    folders.writable.insert(other);
    folders.files.insert(other + "update.exe");
    log.clear();
    qc::interactiveCheck(ports);
    EXPECT_THAT(entriesStartingWith("DownloadFile"),
                ElementsAre("DownloadFile " + kAddress + " " + other + "update.txt"));
    EXPECT_THAT(entriesStartingWith("start"), ElementsAre("start " + other + "update.exe"));
}

// ---- where the files are: the executable's folder or the user's cache; the updater ------------

TEST_F(UpdateCheckTest, AWritableExecutableFolderHoldsTheDescriptorAndNoCacheIsMade) {
    download.body = "1.31";
    qc::interactiveCheck(ports);
    qc::silentCheck(ports, timer);
    EXPECT_THAT(entriesStartingWith("DownloadFile"), ElementsAre("DownloadFile " + kAddress + " " + descriptor(),
                                                                 "DownloadFile " + kAddress + " " + descriptor()));
    EXPECT_TRUE(entriesStartingWith("make").empty());
    EXPECT_TRUE(entriesStartingWith("cache").empty());
    EXPECT_FALSE(std::filesystem::exists(folders.cache));
}

TEST_F(UpdateCheckTest, AnExecutableFolderThisUserCannotWriteSendsTheDescriptorToTheCache) {
    folders.writable.clear();
    download.body = "1.31\r\n";
    qc::interactiveCheck(ports);
    const std::string cached = folders.cache + "update.txt";
    // The folder is made before the transfer, then the transfer goes there and is read from there.
    EXPECT_THAT(entriesStartingWith("make"), ElementsAre("make " + folders.cache));
    EXPECT_THAT(entriesStartingWith("DownloadFile"), ElementsAre("DownloadFile " + kAddress + " " + cached));
    EXPECT_LT(std::find(log.begin(), log.end(), "make " + folders.cache) - log.begin(),
              std::find(log.begin(), log.end(), "DownloadFile " + kAddress + " " + cached) - log.begin());
    EXPECT_EQ(readFile(cached), "1.31\r\n");
    EXPECT_FALSE(std::filesystem::exists(descriptor()));
    EXPECT_THAT(visible(), ElementsAre("Information 已经是最新版本，谢谢。"));
}

TEST_F(UpdateCheckTest, TheSilentCheckUsesTheCacheTooAndStillDisablesTimer1First) {
    folders.writable.clear();
    download.body = "1.30";
    qc::silentCheck(ports, timer);
    EXPECT_EQ(log.front(), "disable Timer1");
    EXPECT_THAT(entriesStartingWith("DownloadFile"),
                ElementsAre("DownloadFile " + kAddress + " " + folders.cache + "update.txt"));
    EXPECT_THAT(visible(),
                ElementsAre("Confirmation 晴川检测到有新版本可供升级。", "close Form1", "start " + updater()));
}

TEST_F(UpdateCheckTest, ACacheFolderThatCannotBeMadeIsReportedAsAFailedDownloadWithoutATransfer) {
    folders.writable.clear();
    folders.canMake = false;
    qc::interactiveCheck(ports);
    EXPECT_TRUE(entriesStartingWith("DownloadFile").empty());
    EXPECT_TRUE(entriesStartingWith("m.").empty());
    EXPECT_THAT(visible(), ElementsAre("Information 网络连接失败，请稍候重试。"));
    log.clear();
    qc::silentCheck(ports, timer);
    EXPECT_TRUE(entriesStartingWith("DownloadFile").empty());
    EXPECT_TRUE(visible().empty());
}

TEST_F(UpdateCheckTest, TheWritableFolderIsDecidedAfreshAtEveryCheck) {
    download.body = "1.31";
    folders.writable.clear();
    qc::interactiveCheck(ports);
    folders.writable = {folders.exe};
    qc::interactiveCheck(ports);
    EXPECT_THAT(entriesStartingWith("DownloadFile"),
                ElementsAre("DownloadFile " + kAddress + " " + folders.cache + "update.txt",
                            "DownloadFile " + kAddress + " " + descriptor()));
}

TEST(UpdaterPath, BesideTheExecutableFirstThenThePrivateLibraryFolder) {
    qctest::CallLog log;
    qctest::FakeUpdateFolders folders{log};
    folders.exe = "/opt/q/bin/";
    folders.library = "/opt/q/lib/qingchuan/";
    folders.files = {"/opt/q/bin/update.exe", "/opt/q/lib/qingchuan/update.exe"};
    EXPECT_EQ(qc::updaterPath(folders), "/opt/q/bin/update.exe");
    folders.files = {"/opt/q/lib/qingchuan/update.exe"};
    EXPECT_EQ(qc::updaterPath(folders), "/opt/q/lib/qingchuan/update.exe");
    // Neither: the path beside the executable, whose start then fails unexamined.
    folders.files.clear();
    EXPECT_EQ(qc::updaterPath(folders), "/opt/q/bin/update.exe");
    // The updater's place doesn't depend on where the descriptor went.
    folders.files = {"/opt/q/lib/qingchuan/update.exe", "/opt/q/bin/update.exe.old"};
    EXPECT_EQ(qc::updaterPath(folders), "/opt/q/lib/qingchuan/update.exe");
}

TEST_F(UpdateCheckTest, TheHandOverStartsThePackagedUpdaterWhenNoneIsBesideTheExecutable) {
    folders.writable.clear();
    folders.files = {folders.library + "update.exe"};
    download.body = "1.32";
    qc::interactiveCheck(ports);
    EXPECT_THAT(visible(), ElementsAre("Confirmation 检测到有新版本可供升级，马上升级？", "close Form1",
                                       "start " + folders.library + "update.exe"));
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
    if (GetParam().equal) EXPECT_THAT(visible(), ElementsAre("Information 已经是最新版本，谢谢。"));
    else
        EXPECT_THAT(visible(), ElementsAre("Confirmation 检测到有新版本可供升级，马上升级？", "close Form1",
                                           "start " + updater()));
}

TEST_P(DescriptorTest, SilentOutcome) {
    download.body = GetParam().bytes;
    qc::silentCheck(ports, timer);
    if (GetParam().equal) EXPECT_TRUE(visible().empty());
    else
        EXPECT_THAT(visible(),
                    ElementsAre("Confirmation 晴川检测到有新版本可供升级。", "close Form1", "start " + updater()));
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, DescriptorTest,
    ::testing::Values(Descriptor{"Exact", "1.31", true},
                      Descriptor{"FollowedByAnything", "1.31 \xD0\xC2\xB0\xE6\r\nhttp://x.example/\0\xFF"s, true},
                      Descriptor{"FollowedByDigits", "1.315", true}, Descriptor{"Older", "1.30", false},
                      Descriptor{"Newer", "2.00", false}, Descriptor{"LeadingV", "V1.31", false},
                      Descriptor{"LetterForADigit", "1.3l", false}, Descriptor{"Empty", "", false},
                      Descriptor{"ThreeBytes", "1.3", false}, Descriptor{"LeadingEmptyLine", "\r\n1.31", false},
                      Descriptor{"LeadingBlank", " 1.31", false},
                      Descriptor{"ByteOrderMark",
                                 "\xEF\xBB\xBF"
                                 "1.31",
                                 false},
                      Descriptor{"CrOnlyBreaks", "1.31\rnext\r", true},
                      Descriptor{"LfOnlyBreaks", "1.31\nnext\n", true},
                      Descriptor{"LfAmongTheFirstFour", "1.3\n1", false},
                      Descriptor{"NulAfterTheTag", "1.31\0\0\0"s, true},
                      Descriptor{"NulInsideTheTag",
                                 "1.3\0"
                                 "1"s,
                                 false},
                      Descriptor{"NulFirst",
                                 "\0"
                                 "1.31"s,
                                 false}),
    [](const ::testing::TestParamInfo<Descriptor>& i) { return std::string(i.param.name); });
