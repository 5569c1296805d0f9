// What reaches the engine: every rule of the allow-list against hostile answers, and the ordinary
// ways through (media, playlists, redirects, Windows Media servers).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/player/playlist.h"
#include "core/player/source_chooser.h"

using qc::FetchReport;
using qc::PlayerStatus;
using qc::SourceChooser;
using qc::Step;
using namespace std::string_literals;

namespace {

const std::string kNoBody;

// The body is viewed, not copied: pass what lives as long as the report is used.
FetchReport answer(int status, const std::string& body, bool complete = true) {
    FetchReport r;
    r.status = status;
    r.body = body;
    r.complete = complete;
    return r;
}

FetchReport redirect(std::string location) {
    FetchReport r = answer(302, kNoBody);
    r.location = std::move(location);
    return r;
}

std::string asx(const std::vector<std::string>& refs) {
    std::string s = "<asx version=\"3.0\">";
    for (const auto& r : refs) s += "<entry><ref href=\"" + r + "\"/></entry>";
    return s + "</asx>";
}

const std::string kMedia =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C" + std::string(100, '\x01');

void expectStep(const Step& s, Step::Kind kind, const std::string& address = {}) {
    EXPECT_EQ(s.kind, kind) << s.address;
    if (!address.empty()) {
        EXPECT_EQ(s.address, address);
    }
}

}  // namespace

TEST(AllowedAddress, OnlyNetworkSchemesWithAHostAndNoControlBytes) {
    for (const char* ok : {"http://a.example/x.asf", "HTTPS://a.example/", "mms://a.example:1755/live",
                           "mmsh://a.example/p", "mmst://a.example/p", "mmsu://a.example/p"})
        EXPECT_TRUE(qc::isAllowedAddress(ok)) << ok;
    for (std::string bad : {"file:///etc/passwd"s,
                            "rtsp://a.example:554/x.rm"s,
                            "RTSP://a.example/live"s,
                            "file:///dev/zero"s,
                            "v4l2://"s,
                            "v4l2:///dev/video0"s,
                            "alsa://"s,
                            "tcp://127.0.0.1:22"s,
                            "udp://@:5555"s,
                            "vlc://quit"s,
                            "javascript:alert(1)"s,
                            "data:video/x-ms-asf;base64,AAAA"s,
                            "screen://"s,
                            "dshow://"s,
                            ""s,
                            "http://"s,
                            "http:///etc/passwd"s,
                            "http://a.example/\x01x"s,
                            "http://a.example/\nx"s,
                            "\0x:y"s,
                            "http://a.example/\0.asf"s,
                            "http://a.example/\x7f"s,
                            "http://a.example/" + std::string(qc::kMaxStreamAddressLength, 'a')})
        EXPECT_FALSE(qc::isAllowedAddress(bad)) << bad;
}

TEST(SourceChooser, TheEntrysAddressIsFetchedOrPlayedByScheme) {
    SourceChooser c;
    expectStep(c.start("http://tv.example/a.wmv"), Step::Kind::Fetch, "http://tv.example/a.wmv");
    expectStep(c.start("mms://tv.example/live"), Step::Kind::Play, "mms://tv.example/live");
    expectStep(c.start("mmst://tv.example/live"), Step::Kind::Play, "mmst://tv.example/live");
    Step s = c.start("file:///etc/passwd");
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::CannotPlay);
    EXPECT_FALSE(c.active());
}

TEST(SourceChooser, MediaGoesToTheEngineAtTheAddressFetched) {
    SourceChooser c;
    c.start("http://tv.example/a.wmv");
    expectStep(c.fetched(answer(200, "", false)), Step::Kind::Read);                    // headers only
    expectStep(c.fetched(answer(200, kMedia.substr(0, 10), false)), Step::Kind::Read);  // too little to tell
    Step s = c.fetched(answer(200, kMedia, false));
    expectStep(s, Step::Kind::Play, "http://tv.example/a.wmv");
    EXPECT_EQ(s.status, PlayerStatus::Connecting);
    // A short media file that ended is media too.
    c.start("http://tv.example/b.wma");
    expectStep(c.fetched(answer(200, "\x01\x02\x03", true)), Step::Kind::Play, "http://tv.example/b.wma");
}

TEST(SourceChooser, HostileRefsAreDroppedAndNeverHandedOn) {
    SourceChooser c;
    c.start("http://tv.example/list.asx");
    std::vector<std::string> hostile = {"file:///etc/passwd",
                                        "file:///dev/zero",
                                        "v4l2://",
                                        "alsa://",
                                        "tcp://127.0.0.1:22",
                                        "udp://@:5555",
                                        "vlc://quit",
                                        "javascript:x()",
                                        "data:text/plain,x",
                                        "http://a.example/\x01",
                                        "http://" + std::string(3000, 'a')};
    std::vector<std::string> refs = hostile;
    refs.insert(refs.begin() + 3, "mms://tv.example/one");
    refs.push_back("http://tv.example/two.wmv");
    Step s = c.fetched(answer(200, asx(refs)));
    expectStep(s, Step::Kind::Play, "mms://tv.example/one");
    EXPECT_EQ(s.status, PlayerStatus::OpeningPlaylist);
    expectStep(c.failed(PlayerStatus::CannotPlay), Step::Kind::Play, "mmsh://tv.example/one");
    s = c.failed(PlayerStatus::CannotPlay);
    expectStep(s, Step::Kind::Fetch, "http://tv.example/two.wmv");
    EXPECT_EQ(s.status, PlayerStatus::TryingNext);
    EXPECT_EQ(c.dropped().size(), hostile.size());
    s = c.failed(PlayerStatus::Refused);
    expectStep(s, Step::Kind::Fail);  // nothing else was ever offered
    EXPECT_EQ(s.status, PlayerStatus::Refused);
}

TEST(SourceChooser, ARefCutAtANulOrAllRefsDroppedIsAnEmptyPlaylist) {
    SourceChooser c;
    c.start("http://tv.example/list.asx");
    Step s = c.fetched(answer(200, "<asx><entry><ref href=\"\0x:y\"/></entry></asx>"s));
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::EmptyPlaylist);
    c.start("http://tv.example/list.asx");
    s = c.fetched(answer(200, "[Reference]\r\nRef1=file:///etc/passwd\r\nRef2=udp://@:5555\r\n"));
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::EmptyPlaylist);
    EXPECT_EQ(c.dropped(), (std::vector<std::string>{"file:///etc/passwd", "udp://@:5555"}));
}

TEST(SourceChooser, ErrorStatusesFailAtOnceWithoutWaitingForTheBody) {
    SourceChooser c;
    c.start("http://tv.example/a.wmv");
    Step s = c.fetched(answer(404, "", false));
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::NotFound);
    EXPECT_EQ(s.number, 404);
    c.start("http://tv.example/a.wmv");
    s = c.fetched(answer(500, std::string(100, 'x'), false));
    EXPECT_EQ(s.status, PlayerStatus::HttpError);
    EXPECT_EQ(s.number, 500);
    // With another source left, the next one is tried and the status line says so.
    c.start("http://tv.example/list.asx");
    c.fetched(answer(200, asx({"http://a.example/1.wmv", "http://a.example/2.wmv"})));
    s = c.fetched(answer(503, "", false));
    expectStep(s, Step::Kind::Fetch, "http://a.example/2.wmv");
    EXPECT_EQ(s.status, PlayerStatus::TryingNext);
}

TEST(SourceChooser, ConnectionFailuresBeforeAnyAnswer) {
    SourceChooser c;
    for (auto [failure, status] : {std::pair{FetchReport::Failure::Refused, PlayerStatus::Refused},
                                   std::pair{FetchReport::Failure::HostNotFound, PlayerStatus::HostNotFound},
                                   std::pair{FetchReport::Failure::TimedOut, PlayerStatus::TimedOut},
                                   std::pair{FetchReport::Failure::Other, PlayerStatus::CannotPlay}}) {
        c.start("http://tv.example/a.wmv");
        FetchReport r;
        r.failure = failure;
        r.complete = true;
        EXPECT_EQ(c.fetched(r).status, status);
    }
}

TEST(SourceChooser, RedirectsToAllowedSchemesAreTheNextCandidate) {
    SourceChooser c;
    c.start("http://tv.example/live.asp?id=3");
    expectStep(c.fetched(redirect("mms://wm.example/live3")), Step::Kind::Play, "mms://wm.example/live3");
    c.start("http://tv.example/a/live.asp");
    expectStep(c.fetched(redirect("clip.wmv")), Step::Kind::Fetch, "http://tv.example/a/clip.wmv");
    // One that points at the user's files, or at nothing, ends that source.
    c.start("http://tv.example/live.asp");
    Step s = c.fetched(redirect("file:///etc/passwd"));
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(c.dropped(), std::vector<std::string>{"file:///etc/passwd"});
    c.start("http://tv.example/live.asp");
    EXPECT_EQ(c.fetched(redirect("")).status, PlayerStatus::HttpError);
}

TEST(SourceChooser, ARedirectLoopIsCutOff) {
    SourceChooser c;
    c.start("http://tv.example/0");
    Step s;
    int hops = 0;
    for (; hops < 20; ++hops) {
        s = c.fetched(redirect("/" + std::to_string(hops + 1)));
        if (s.kind != Step::Kind::Fetch) break;
    }
    EXPECT_EQ(hops, qc::kMaxRedirects);
    expectStep(s, Step::Kind::Fail);
}

TEST(SourceChooser, WindowsMediaServersArePlayedOverMmsh) {
    SourceChooser c;
    auto wms = [](std::string FetchReport::*field, std::string value) {
        FetchReport r = answer(200, kNoBody, false);
        r.*field = std::move(value);
        return r;
    };
    for (FetchReport r :
         {wms(&FetchReport::server, "Cougar/9.01.01.3814"), wms(&FetchReport::contentType, "application/x-mms-framed"),
          wms(&FetchReport::pragma, "features=\"broadcast,playlist\"")}) {
        c.start("http://wm.example:8080/live");
        expectStep(c.fetched(r), Step::Kind::Play, "mmsh://wm.example:8080/live");
    }
}

TEST(SourceChooser, AnOverCapOrEndlessPlaylistIsAFailureNotMedia) {
    SourceChooser c;
    c.start("http://tv.example/big.asx");
    std::string text = "<asx>" + std::string(qc::kMaxPlaylistBytes, ' ');
    expectStep(c.fetched(answer(200, text.substr(0, 1000), false)), Step::Kind::Read);
    Step s = c.fetched(answer(200, text, false));
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::BadPlaylist);
    // Cut off below the cap: what came is read.
    c.start("http://tv.example/cut.asx");
    const std::string cutBody = asx({"http://a.example/1.wmv"}).substr(0, 60);
    FetchReport cut = answer(200, cutBody, true);
    cut.failure = FetchReport::Failure::Other;
    EXPECT_EQ(c.fetched(cut).kind, Step::Kind::Fail);
}

TEST(SourceChooser, NestingAndCandidatesAreCapped) {
    SourceChooser c;
    c.start("http://tv.example/0.asx");
    Step s;
    for (int level = 1; level <= 6; ++level) {
        s = c.fetched(answer(200, asx({"http://tv.example/" + std::to_string(level) + ".asx"})));
        if (s.kind != Step::Kind::Fetch) break;
    }
    expectStep(s, Step::Kind::Fail);
    EXPECT_EQ(s.status, PlayerStatus::EmptyPlaylist);

    c.start("http://tv.example/many.asx");
    std::vector<std::string> refs;
    for (int i = 0; i < 200; ++i) refs.push_back("mms://tv.example/" + std::to_string(i));
    s = c.fetched(answer(200, asx(refs)));
    int tried = 0;
    while (s.kind == Step::Kind::Play) {
        ++tried;
        s = c.failed(PlayerStatus::CannotPlay);
    }
    EXPECT_EQ(tried, static_cast<int>(qc::kMaxCandidates) - 1);  // the playlist itself was one
}

TEST(SourceChooser, SilenceBoundsGiveUpQuietSourcesOnlyWhileOthersRemain) {
    qc::AttemptBounds b{.deadline = std::chrono::milliseconds(30000),
                        .silence = std::chrono::milliseconds(5000),
                        .mmsSilence = std::chrono::milliseconds(12000)};
    SourceChooser c(b);
    c.start("http://tv.example/list.asx");
    c.fetched(answer(200, asx({"http://a.example/1.wmv", "mms://a.example/2", "mmst://a.example/3"})));
    EXPECT_EQ(c.silenceBound(), b.silence);
    c.failed(PlayerStatus::TimedOut);
    EXPECT_EQ(c.silenceBound(), b.mmsSilence);  // the engine's own roll-over to MMSH comes first
    c.failed(PlayerStatus::TimedOut);
    EXPECT_EQ(c.silenceBound(), b.silence);  // our MMSH fallback
    c.failed(PlayerStatus::TimedOut);
    EXPECT_EQ(c.silenceBound(), b.deadline);  // the last source: only the deadline
}

TEST(SourceChooser, AnMmsAddressFallsBackToMmshOnTheSamePortButMmstDoesNot) {
    SourceChooser c;
    expectStep(c.start("mms://wm.example:8080/live"), Step::Kind::Play, "mms://wm.example:8080/live");
    Step s = c.failed(PlayerStatus::TimedOut);
    expectStep(s, Step::Kind::Play, "mmsh://wm.example:8080/live");
    EXPECT_EQ(s.status, PlayerStatus::TryingNext);
    EXPECT_EQ(c.failed(PlayerStatus::Refused).kind, Step::Kind::Fail);
    c.start("mmst://wm.example:1755/live");
    EXPECT_EQ(c.failed(PlayerStatus::Refused).kind, Step::Kind::Fail);  // TCP only, as written
}

TEST(SourceChooser, AnAbandonedChoiceOffersNothingMore) {
    SourceChooser c;
    c.start("http://tv.example/list.asx");
    c.fetched(answer(200, asx({"http://a.example/1.wmv", "http://a.example/2.wmv"})));
    c.abandon();
    EXPECT_FALSE(c.active());
    expectStep(c.failed(PlayerStatus::CannotPlay), Step::Kind::Fail);
    expectStep(c.fetched(answer(200, kMedia)), Step::Kind::Fail);
}
