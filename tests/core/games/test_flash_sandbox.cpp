// What a movie may load and send, and how much it may hold: Flash Player's sandbox, decided in
// the core for the games window.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/games/engine_memory.h"
#include "core/games/flash_sandbox.h"

using qc::FlashSandbox;
using Verdict = FlashSandbox::Verdict;
using Admission = FlashSandbox::Admission;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

const std::vector<std::string> kPublic = {"203.0.113.5"};
const std::vector<std::string> kOtherPublic = {"198.51.100.7"};
const std::vector<std::string> kLoopback = {"127.0.0.1"};
const std::vector<std::string> kPrivate = {"192.168.1.20"};
const std::vector<std::string> kLinkLocal = {"169.254.169.254"};

const char kAllowGames[] = "<cross-domain-policy><allow-access-from domain=\"*.games.example\"/></cross-domain-policy>";

Verdict verdict(FlashSandbox& s, const std::string& address, const std::vector<std::string>& ips) {
    auto a = qc::parseWebAddress(address);
    return a ? s.decide(*a, ips).verdict : Verdict::Refuse;
}

// A sandbox whose public movie has made its first load.
FlashSandbox playing(const std::string& movie = "http://www.games.example/m/game.swf",
                     const std::vector<std::string>& ips = kPublic, FlashSandbox::Limits limits = {}) {
    FlashSandbox s(limits);
    s.startMovie(movie);
    EXPECT_EQ(verdict(s, movie, ips), Verdict::Fetch);
    return s;
}

}  // namespace

TEST(FlashSandbox, TheMovieItselfComesFirstAndLoadsFromItsOwnOrigin) {
    FlashSandbox s;
    EXPECT_EQ(verdict(s, "http://www.games.example/m/game.swf", kPublic), Verdict::Refuse) << "no movie yet";
    ASSERT_TRUE(s.startMovie("http://www.games.example/m/game.swf"));
    EXPECT_EQ(verdict(s, "http://www.games.example/m/level1.swf", kPublic), Verdict::Refuse) << "before the movie";
    EXPECT_EQ(verdict(s, "http://WWW.games.example:80/m/game.swf#x", kPublic), Verdict::Fetch);
    EXPECT_EQ(verdict(s, "http://www.games.example/m/level1.swf", kPublic), Verdict::Fetch);
    EXPECT_EQ(verdict(s, "http://www.games.example/other/data.txt?a=1", kPublic), Verdict::Fetch);
    EXPECT_FALSE(s.startMovie("file:///home/user/game.swf"));
    EXPECT_EQ(verdict(s, "http://www.games.example/m/level1.swf", kPublic), Verdict::Refuse);
}

TEST(FlashSandbox, AnotherOriginOnlyByItsPolicyAskedOncePerMovie) {
    FlashSandbox s = playing();
    auto a = qc::parseWebAddress("http://cdn.games.example:8080/data.txt");
    auto first = s.decide(*a, kOtherPublic);
    EXPECT_EQ(first.verdict, Verdict::AskPolicy);
    EXPECT_EQ(first.policyAddress, "http://cdn.games.example:8080/crossdomain.xml");
    EXPECT_EQ(verdict(s, "http://cdn.games.example:8080/other.txt", kOtherPublic), Verdict::WaitPolicy);
    s.policyArrived("http://cdn.games.example:8080", std::string(kAllowGames), false);
    EXPECT_EQ(verdict(s, "http://cdn.games.example:8080/data.txt", kOtherPublic), Verdict::Fetch);
    // Same host, other port or scheme: another origin, another policy.
    EXPECT_EQ(verdict(s, "http://cdn.games.example/data.txt", kOtherPublic), Verdict::AskPolicy);
    EXPECT_EQ(verdict(s, "https://www.games.example/data.txt", kPublic), Verdict::AskPolicy);

    // A new movie asks again.
    s.startMovie("http://www.games.example/m/game2.swf");
    verdict(s, "http://www.games.example/m/game2.swf", kPublic);
    EXPECT_EQ(verdict(s, "http://cdn.games.example:8080/data.txt", kOtherPublic), Verdict::AskPolicy);
}

TEST(FlashSandbox, NoPolicyOrOneForOtherDomainsRefuses) {
    FlashSandbox s = playing();
    for (const auto& [origin, body] : std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"http://a.example", std::nullopt},
             {"http://b.example", std::string("<html>404</html>")},
             {"http://c.example", std::string("<cross-domain-policy><allow-access-from domain=\"games.example.evil\"/>"
                                              "</cross-domain-policy>")}}) {
        EXPECT_EQ(verdict(s, origin + "/x", kOtherPublic), Verdict::AskPolicy);
        s.policyArrived(origin + ":80", body, false);
        EXPECT_EQ(verdict(s, origin + "/x", kOtherPublic), Verdict::Refuse) << origin;
        EXPECT_EQ(verdict(s, origin + "/y", kOtherPublic), Verdict::Refuse) << "asked once only";
    }
    // An answer nobody asked for changes nothing.
    s.policyArrived("http://d.example:80", std::string(kAllowGames), false);
    EXPECT_EQ(verdict(s, "http://d.example/x", kOtherPublic), Verdict::AskPolicy);
}

TEST(FlashSandbox, AnOldMoviesPolicyDoesNotOpenTheNewOne) {
    FlashSandbox s = playing();
    EXPECT_EQ(verdict(s, "http://cdn.example/x", kOtherPublic), Verdict::AskPolicy);
    s.startMovie("http://other.example/game.swf");
    verdict(s, "http://other.example/game.swf", kPublic);
    s.policyArrived("http://cdn.example:80", std::string(kAllowGames), false);  // late, for the old one
    EXPECT_EQ(verdict(s, "http://cdn.example/x", kOtherPublic), Verdict::AskPolicy);
}

TEST(FlashSandbox, APublicMovieNeverReachesInnerNetworksEvenWithAPolicy) {
    FlashSandbox s = playing();
    for (const auto& ips : {kLoopback, kPrivate, kLinkLocal, std::vector<std::string>{"::1"},
                            std::vector<std::string>{"::ffff:192.168.0.1"}, std::vector<std::string>{"0.0.0.0"}}) {
        EXPECT_EQ(verdict(s, "http://router.example/admin", ips), Verdict::Refuse) << ips[0];
        // Its own host turning private (DNS rebinding) is no way in either.
        EXPECT_EQ(verdict(s, "http://www.games.example/m/level1.swf", ips), Verdict::Refuse) << ips[0];
    }
    EXPECT_EQ(verdict(s, "http://127.0.0.1/x", kLoopback), Verdict::Refuse);
    EXPECT_EQ(verdict(s, "http://www.games.example/x", {}), Verdict::Refuse) << "not resolved";
}

TEST(FlashSandbox, AMovieFromAnInnerNetworkReachesOnlyItsOwnKind) {
    FlashSandbox s = playing("http://127.0.0.1:8000/game.swf", kLoopback);
    EXPECT_EQ(verdict(s, "http://127.0.0.1:8000/level.swf", kLoopback), Verdict::Fetch);
    EXPECT_EQ(verdict(s, "http://127.0.0.1:9000/x", kLoopback), Verdict::AskPolicy) << "another origin still asks";
    EXPECT_EQ(verdict(s, "http://192.168.1.20/x", kPrivate), Verdict::Refuse);
    EXPECT_EQ(verdict(s, "http://169.254.169.254/x", kLinkLocal), Verdict::Refuse);
    EXPECT_EQ(verdict(s, "http://cdn.example/x", kPublic), Verdict::AskPolicy);

    FlashSandbox lan = playing("http://192.168.1.2/game.swf", kPrivate);
    EXPECT_EQ(verdict(lan, "http://127.0.0.1/x", kLoopback), Verdict::Refuse);
    EXPECT_EQ(verdict(lan, "http://192.168.1.3/x", {"192.168.1.3"}), Verdict::AskPolicy);

    FlashSandbox nowhere;
    nowhere.startMovie("http://0.0.0.0:8000/game.swf");
    EXPECT_EQ(verdict(nowhere, "http://0.0.0.0:8000/game.swf", {"0.0.0.0"}), Verdict::Refuse);
}

TEST(FlashSandbox, OtherOriginsAreBoundedPerMovie) {
    FlashSandbox::Limits limits;
    limits.otherOrigins = 3;
    FlashSandbox s = playing("http://www.games.example/m/game.swf", kPublic, limits);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(verdict(s, "http://h" + std::to_string(i) + ".example/x", kOtherPublic), Verdict::AskPolicy);
    EXPECT_EQ(verdict(s, "http://h9.example/x", kOtherPublic), Verdict::Refuse);
    EXPECT_EQ(verdict(s, "http://www.games.example/x", kPublic), Verdict::Fetch);
}

TEST(FlashSandbox, ParallelDownloadsWaitInOrderAndTheQueueIsBounded) {
    FlashSandbox::Limits limits;
    limits.parallel = 2;
    limits.waiting = 2;
    FlashSandbox s(limits);
    s.startMovie("http://games.example/g.swf");
    std::vector<FlashSandbox::DownloadId> ids;
    for (int i = 0; i < 5; ++i) ids.push_back(s.newDownload());
    EXPECT_EQ(s.admit(ids[0]), Admission::Start);
    EXPECT_EQ(s.admit(ids[1]), Admission::Start);
    EXPECT_EQ(s.admit(ids[2]), Admission::Wait);
    EXPECT_EQ(s.admit(ids[3]), Admission::Wait);
    EXPECT_EQ(s.admit(ids[4]), Admission::Refuse);
    EXPECT_EQ(s.running(), 2u);
    EXPECT_THAT(s.finish(ids[3]), IsEmpty()) << "a waiting download that went away";
    EXPECT_THAT(s.finish(ids[0]), ElementsAre(ids[2]));
    EXPECT_EQ(s.admit(ids[2]), Admission::Start);
    EXPECT_THAT(s.finish(ids[1]), IsEmpty());
    EXPECT_EQ(s.running(), 1u);
}

TEST(FlashSandbox, BytesAreABudgetOverEverythingInFlight) {
    FlashSandbox::Limits limits;
    limits.bytesPerDownload = 60;
    limits.bytesInFlight = 100;
    limits.bytesPerMovie = 140;
    limits.parallel = 8;
    FlashSandbox s(limits);
    s.startMovie("http://games.example/g.swf");
    const auto a = s.newDownload(), b = s.newDownload(), c = s.newDownload();
    for (auto id : {a, b, c}) ASSERT_EQ(s.admit(id), Admission::Start);
    EXPECT_FALSE(s.hold(a, 61)) << "over the bound of one download";
    EXPECT_TRUE(s.hold(a, 50));
    EXPECT_TRUE(s.hold(b, 40));
    EXPECT_TRUE(s.hold(b, 30)) << "a smaller figure takes nothing back";
    EXPECT_FALSE(s.hold(c, 11)) << "over the budget in flight";
    EXPECT_EQ(s.bytesInFlight(), 90u);
    s.finish(a);
    EXPECT_EQ(s.bytesInFlight(), 40u);
    EXPECT_TRUE(s.hold(c, 50));
    EXPECT_FALSE(s.hold(c, 60)) << "over what the movie may load in its life (50 + 40 + 60 > 140)";
    EXPECT_FALSE(s.hold(s.newDownload(), 1)) << "not admitted";
    // A new movie starts afresh; the old one's downloads hold nothing any more.
    s.startMovie("http://games.example/h.swf");
    EXPECT_EQ(s.bytesInFlight(), 0u);
    EXPECT_FALSE(s.hold(b, 41));
    EXPECT_THAT(s.finish(c), IsEmpty());
    EXPECT_EQ(s.bytesInFlight(), 0u);
}

TEST(EngineMemory, AMovieIsEndedPastThePagesBaseAndTheBudgetNotBefore) {
    qc::EngineMemory memory(qc::FlashSandbox::Limits{}.engineBytes);
    memory.pageLoaded(90 << 20);
    EXPECT_FALSE(memory.overBudget((90 + 512) << 20));
    EXPECT_TRUE(memory.overBudget(((90 + 512) << 20) + 1));
}
