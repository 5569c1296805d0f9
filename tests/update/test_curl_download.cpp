// DownloadFile on libcurl against a local server: what counts as a download, what is left on disk.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "files.h"
#include "http_server.h"
#include "update/curl_download.h"

using namespace qctest;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Short bounds, so that a stalled server ends the test quickly.
qc::DownloadLimits shortLimits() {
    qc::DownloadLimits l;
    l.connectTimeout = 2s;
    l.stallTimeout = 1s;
    l.totalTimeout = 20s;
    return l;
}

const std::string kOld = "1.31\r\nthe earlier descriptor\r\n";

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qc-download-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        target = dir + "/update.txt";
        writeFile(target, kOld);
    }
    void TearDown() override {
        ::chmod(dir.c_str(), 0755);
        std::filesystem::remove_all(dir);
    }
    // A failed download leaves the earlier file exactly as it was and nothing beside it.
    void expectOldFileIntact() {
        EXPECT_EQ(readFile(target), kOld);
        EXPECT_EQ(filesIn(dir), std::vector<std::string>{"update.txt"});
    }

    HttpServer server;
    qc::CurlDownload download{shortLimits()};
    std::string dir, target;
};

}  // namespace

TEST_F(DownloadTest, SuccessReplacesTheFileWithTheExactBytes) {
    const std::string body = "1.30\0\r\n\xEF\xBB\xBF\xFF tail"s;
    server.route("/update.txt", {.body = body});
    EXPECT_TRUE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_EQ(readFile(target), body);
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"update.txt"});
    EXPECT_EQ(server.requests(), std::vector<std::string>{"GET /update.txt"});
}

TEST_F(DownloadTest, AnEmptyAnswerIsADownloadOfAnEmptyFile) {
    server.route("/update.txt", {.body = ""});
    EXPECT_TRUE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_EQ(readFile(target), "");
}

TEST_F(DownloadTest, CreatesTheFileWhenThereWasNone) {
    std::filesystem::remove(target);
    server.route("/update.txt", {.body = "1.31"});
    EXPECT_TRUE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_EQ(readFile(target), "1.31");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(DownloadTest, NotFoundIsAFailureNotADescriptor) {
    server.route("/update.txt", {.status = 404, .body = "1.30 not found"});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, UnknownPathIsAFailure) {
    EXPECT_FALSE(download.DownloadFile(server.url("/nothing-here.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, ServerErrorIsAFailure) {
    server.route("/update.txt", {.status = 500, .body = "1.30"});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, RefusedConnectionIsAFailure) {
    EXPECT_FALSE(download.DownloadFile("http://127.0.0.1:" + std::to_string(refusedPort()) + "/update.txt", target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, ServerThatNeverAnswersEndsWithinTheBound) {
    server.route("/update.txt", {.mode = Reply::Mode::Stall});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    expectOldFileIntact();
}

TEST_F(DownloadTest, CutOffTransferIsAFailure) {
    server.route("/update.txt", {.body = "1.30 and a longer text", .mode = Reply::Mode::Truncate, .truncateAt = 6});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, DroppedConnectionIsAFailure) {
    server.route("/update.txt", {.mode = Reply::Mode::Drop});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, HundredMegabyteAnswerIsRefused) {
    server.route("/update.txt", {.body = std::string(1 << 20, 'x'), .repeatBody = 100});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, HundredMegabyteAnswerWithoutALengthIsCutAtTheCap) {
    server.route("/update.txt", {.body = std::string(1 << 20, 'x'), .repeatBody = 100, .omitContentLength = true});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, TheCapIsInclusive) {
    const size_t cap = qc::DownloadLimits{}.maxBytes;
    server.route("/at.txt", {.body = std::string(cap, 'a')});
    server.route("/over.txt", {.body = std::string(cap + 1, 'b')});
    server.route("/over-unannounced.txt", {.body = std::string(cap + 1, 'c'), .omitContentLength = true});
    EXPECT_TRUE(download.DownloadFile(server.url("/at.txt"), target));
    EXPECT_EQ(readFile(target).size(), cap);
    writeFile(target, kOld);
    EXPECT_FALSE(download.DownloadFile(server.url("/over.txt"), target));
    EXPECT_FALSE(download.DownloadFile(server.url("/over-unannounced.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, AnswerWithoutALengthEndsWithTheConnection) {
    server.route("/update.txt", {.body = "1.32\n", .omitContentLength = true});
    EXPECT_TRUE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_EQ(readFile(target), "1.32\n");
}

TEST_F(DownloadTest, FolderThatCannotBeWrittenIsAFailure) {
    ASSERT_EQ(::chmod(dir.c_str(), 0555), 0);
    server.route("/update.txt", {.body = "1.30"});
    // Root passes any permission check: take an ordinary file-system identity for the call.
    const bool root = ::geteuid() == 0;
    if (root) ::setfsuid(65534);
    const bool ok = download.DownloadFile(server.url("/update.txt"), target);
    if (root) ::setfsuid(0);
    EXPECT_FALSE(ok);
    expectOldFileIntact();
}

TEST_F(DownloadTest, MissingFolderIsAFailure) {
    server.route("/update.txt", {.body = "1.30"});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), dir + "/absent/update.txt"));
    expectOldFileIntact();
}

TEST_F(DownloadTest, AFewRedirectsAreFollowed) {
    server.route("/a", {.status = 302, .headers = {"Location: /b"}});
    server.route("/b", {.status = 302, .headers = {"Location: " + server.url("/update.txt")}});
    server.route("/update.txt", {.body = "1.32"});
    EXPECT_TRUE(download.DownloadFile(server.url("/a"), target));
    EXPECT_EQ(readFile(target), "1.32");
}

TEST_F(DownloadTest, ALongChainOfRedirectsIsAFailure) {
    for (int i = 0; i < 10; ++i)
        server.route("/r" + std::to_string(i), {.status = 302, .headers = {"Location: /r" + std::to_string(i + 1)}});
    server.route("/r10", {.body = "1.32"});
    EXPECT_FALSE(download.DownloadFile(server.url("/r0"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, ARedirectWithoutATargetIsAFailure) {
    server.route("/update.txt", {.status = 302, .body = "1.30"});
    EXPECT_FALSE(download.DownloadFile(server.url("/update.txt"), target));
    expectOldFileIntact();
}

TEST_F(DownloadTest, OnlyHttpAndHttpsAreUsed) {
    const std::string secret = dir + "/secret.txt";
    writeFile(secret, "1.30");
    server.route("/to-file", {.status = 302, .headers = {"Location: file://" + secret}});
    EXPECT_FALSE(download.DownloadFile("file://" + secret, target));
    EXPECT_FALSE(download.DownloadFile(server.url("/to-file"), target));
    EXPECT_FALSE(download.DownloadFile("ftp://127.0.0.1:" + std::to_string(server.port()) + "/update.txt", target));
    EXPECT_FALSE(download.DownloadFile("not an address", target));
    EXPECT_EQ(readFile(target), kOld);
    std::filesystem::remove(secret);
    expectOldFileIntact();
}

TEST_F(DownloadTest, NoProxyIsTakenFromTheEnvironment) {
    const int dead = refusedPort();
    const std::string proxy = "http://127.0.0.1:" + std::to_string(dead);
    ::setenv("http_proxy", proxy.c_str(), 1);
    ::setenv("HTTP_PROXY", proxy.c_str(), 1);
    ::setenv("ALL_PROXY", proxy.c_str(), 1);
    server.route("/update.txt", {.body = "1.32"});
    const bool ok = download.DownloadFile(server.url("/update.txt"), target);
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    ::unsetenv("ALL_PROXY");
    EXPECT_TRUE(ok);
    EXPECT_EQ(readFile(target), "1.32");
}

// ---- time: every wait has a bound --------------------------------------------------------------

TEST_F(DownloadTest, AConnectionNeverCompletedEndsAtTheConnectBound) {
    const UnansweredPort unanswered;
    qc::DownloadLimits l;
    l.connectTimeout = 1s;
    l.stallTimeout = 15s;
    l.totalTimeout = 30s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(qc::CurlDownload(l).DownloadFile(
        "http://127.0.0.1:" + std::to_string(unanswered.port()) + "/update.txt", target));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 10s);  // well before the stall bound
    expectOldFileIntact();
}

TEST_F(DownloadTest, AnAnswerThatFallsSilentEndsAtTheStallBound) {
    // The head and a byte, then nothing for longer than the test waits.
    server.route("/update.txt", {.body = "1.30 and the rest", .mode = Reply::Mode::Trickle, .trickleMs = 60000});
    qc::DownloadLimits l;
    l.stallTimeout = 1s;
    l.totalTimeout = 30s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(qc::CurlDownload(l).DownloadFile(server.url("/update.txt"), target));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    expectOldFileIntact();
}

TEST_F(DownloadTest, ASteadyTrickleEndsAtTheTotalBound) {
    // 20 bytes a second never counts as stalled; 4000 bytes would take over three minutes.
    server.route("/update.txt", {.body = std::string(4000, 'x'), .mode = Reply::Mode::Trickle, .trickleMs = 50});
    qc::DownloadLimits l;
    l.stallTimeout = 3s;
    l.totalTimeout = 4s;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(qc::CurlDownload(l).DownloadFile(server.url("/update.txt"), target));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_GE(took, 3900ms);
    EXPECT_LT(took, 15s);
    expectOldFileIntact();
}

TEST_F(DownloadTest, ATrickleThatEndsWithinTheBoundsIsADownload) {
    server.route("/update.txt", {.body = "1.32\r\n", .mode = Reply::Mode::Trickle, .trickleMs = 100});
    EXPECT_TRUE(download.DownloadFile(server.url("/update.txt"), target));
    EXPECT_EQ(readFile(target), "1.32\r\n");
    EXPECT_EQ(filesIn(dir), std::vector<std::string>{"update.txt"});
}

TEST(DownloadLimits, DefaultsFitAFewBytesAndTheCapIsSmall) {
    const qc::DownloadLimits l;
    EXPECT_EQ(l.connectTimeout, 10s);
    EXPECT_EQ(l.stallTimeout, 10s);
    EXPECT_EQ(l.totalTimeout, 30s);
    EXPECT_LE(l.maxBytes, 1u << 20);
    EXPECT_GE(l.maxBytes, 1024u);
    EXPECT_LE(l.maxRedirects, 5);
}
