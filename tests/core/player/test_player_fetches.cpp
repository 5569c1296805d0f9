// What the player fetches itself and what it leaves to the engine: media forms go to the engine
// unfetched, playlists are read first, and an address whose name says neither is fetched while
// the engine tries it, so that media behind it costs no more than the engine's own fetch.

#include <algorithm>

#include "session_fixture.h"

using namespace qctest;

TEST_F(Session, MediaFormsGoToTheEngineUnfetched) {
    for (const char* a : {"http://tv.example/a.wmv", "http://tv.example/b.WMA?x=1", "http://tv.example/c.asf",
                          "http://tv.example/d.mp3"}) {
        session.setUrl(a);
        EXPECT_TRUE(engine.isOpen(a)) << a;
    }
    EXPECT_TRUE(prober.fetched.empty());
    plays("http://tv.example/d.mp3");
    EXPECT_EQ(status(), "正在播放");
    EXPECT_TRUE(prober.fetched.empty());
    // A playlist, or a page, is fetched (once) before anything else.
    session.setUrl("http://tv.example/list.asx");
    session.setUrl("http://tv.example/channel.htm");
    EXPECT_EQ(prober.fetched,
              (std::vector<std::string>{"http://tv.example/list.asx", "http://tv.example/channel.htm"}));
    EXPECT_EQ(engine.openCount(), 0);
}

TEST_F(Session, AMediaNameTheEngineCantTakeIsFetchedOnceAndItsRefsPlayed) {
    const std::string asf = "http://tv.example/channel.asf";  // a playlist behind a media name
    session.setUrl(asf);
    engine.event(asf, Kind::Ended);  // the engine doesn't follow playlists
    ASSERT_EQ(prober.fetched, std::vector<std::string>{asf});
    EXPECT_FALSE(engine.isOpen(asf));
    prober.answer(asf, 200, asx({"mms://a.example/one"}));
    EXPECT_TRUE(engine.isOpen("mms://a.example/one"));
    // Media again where the engine failed: given up, not handed over once more.
    const std::string bad = "http://tv.example/broken.wmv";
    session.setUrl(bad);
    engine.opened.clear();
    engine.event(bad, failed(Cause::Unsupported));
    prober.answer(bad, 200, std::string(100, '\x01'));
    EXPECT_TRUE(engine.opened.empty());
    EXPECT_EQ(status(), "无法播放这个地址。");
    // A refusal is not fetched again: a fetch would be refused too.
    session.setUrl("http://tv.example/gone.wmv");
    prober.fetched.clear();
    engine.event("http://tv.example/gone.wmv", failed(Cause::Refused));
    EXPECT_TRUE(prober.fetched.empty());
    EXPECT_EQ(status(), text(PlayerStatus::Refused));
}

const std::string kScript = "http://tv.example/live.asp?id=3";

TEST_F(Session, MediaBehindAScriptsAddressPlaysFromTheEnginesOwnFetch) {
    session.setUrl(kScript);
    EXPECT_TRUE(prober.isFetching(kScript));
    EXPECT_TRUE(engine.isOpen(kScript));
    prober.answer(kScript, 200, std::string(100, '\x01'), false);  // media: our fetch ends there
    EXPECT_FALSE(prober.isFetching(kScript));
    EXPECT_TRUE(engine.isOpen(kScript));
    EXPECT_EQ(engine.opened, std::vector<std::string>{kScript}) << "opened again";
    plays(kScript);
    EXPECT_EQ(status(), "正在播放");

    // The engine's media first: our fetch ends as the engine wins.
    session.setUrl("http://tv.example/other.php");
    ASSERT_TRUE(prober.isFetching("http://tv.example/other.php"));
    plays("http://tv.example/other.php");
    EXPECT_EQ(prober.fetching(), 0);
    EXPECT_EQ(status(), "正在播放");
}

TEST_F(Session, APlaylistBehindAScriptsAddressIsReadAndTheEnginesTryEnds) {
    const std::string body = asx({"http://a.example/one.wmv"});
    session.setUrl(kScript);
    prober.answer(kScript, 200, body.substr(0, 80), false);
    EXPECT_FALSE(engine.isOpen(kScript));
    EXPECT_EQ(status(), text(PlayerStatus::OpeningPlaylist));
    prober.answer(kScript, 200, body);
    EXPECT_TRUE(engine.isOpen("http://a.example/one.wmv"));

    // The engine gave up on it first: the fetch still decides, and nothing is fetched twice.
    session.setUrl(kScript);
    engine.event(kScript, Kind::Ended);
    EXPECT_FALSE(engine.isOpen(kScript));
    ASSERT_TRUE(prober.isFetching(kScript));
    prober.answer(kScript, 200, body);
    EXPECT_TRUE(engine.isOpen("http://a.example/one.wmv"));
    EXPECT_EQ(std::count(prober.fetched.begin(), prober.fetched.end(), kScript), 2);  // once a choice
    // Media by our fetch where the engine already failed: not handed over once more.
    session.setUrl(kScript);
    engine.event(kScript, failed(Cause::Unsupported));
    engine.opened.clear();
    prober.answer(kScript, 200, std::string(100, '\x01'));
    EXPECT_TRUE(engine.opened.empty());
    EXPECT_EQ(status(), "无法播放这个地址。");
}

TEST_F(Session, AWindowsMediaServerBehindAScriptsAddressIsOpenedAsMmsh) {
    session.setUrl(kScript);
    qc::FetchReport r;
    r.status = 200;
    r.server = "Cougar/9.01.01.3814";
    r.complete = false;
    prober.report(kScript, r);
    EXPECT_FALSE(engine.isOpen(kScript));
    EXPECT_TRUE(engine.isOpen("mmsh://tv.example/live.asp?id=3"));
    EXPECT_EQ(prober.fetching(), 0);
}

TEST_F(Session, AnUnreachableScriptsAddressFailsOnceWhicheverSaysSoFirst) {
    session.setUrl(kScript);
    engine.event(kScript, failed(Cause::Unreachable));
    EXPECT_EQ(prober.fetching(), 0);
    EXPECT_EQ(engine.openCount(), 0);
    EXPECT_EQ(status(), text(PlayerStatus::Unreachable));
}

// ---- playlists ------------------------------------------------------------------------------

TEST_F(Session, ThePlaylistTextOnlyWhileThePlaylistIsRead) {
    const std::string list = "http://tv.example/list.asx";
    session.setUrl(list);
    ASSERT_TRUE(prober.isFetching(list));
    EXPECT_EQ(status(), text(PlayerStatus::Connecting));
    const std::string body = asx({"mms://a.example/one", "http://b.example/two.wmv"});
    prober.answer(list, 200, body.substr(0, 80), false);
    EXPECT_EQ(status(), text(PlayerStatus::OpeningPlaylist));
    prober.answer(list, 200, body, true);
    EXPECT_TRUE(engine.isOpen("mms://a.example/one"));
    EXPECT_EQ(status(), text(PlayerStatus::Connecting));  // the ref is being opened, not the list
}

TEST_F(Session, ATooLargeOrEndlessPlaylistSaysSo) {
    const std::string big = "http://tv.example/big.asx";
    session.setUrl(big);
    std::string body = "<asx>" + std::string(qc::kMaxPlaylistBytes, ' ');
    prober.answer(big, 200, body.substr(0, 4096), false);
    prober.answer(big, 200, body, false);
    EXPECT_EQ(status(), "播放列表无法读取（过大或不完整）。");
    EXPECT_EQ(session.playState(), qc::kStopped);
    EXPECT_FALSE(prober.isFetching(big));
    // One that trickles on below the cap and never ends: the choice's cap ends it, saying so.
    const std::string endless = "http://tv.example/endless.asx";
    session.setUrl(endless);
    std::string part = "<asx>";
    for (int s = 0; s < 130 && session.playState() != qc::kStopped; ++s) {
        part += std::string(100, ' ');
        prober.answer(endless, 200, part, false);
        advance(1000);
    }
    EXPECT_EQ(status(), "播放列表无法读取（过大或不完整）。");
    EXPECT_LE(now, 121000);
}

TEST_F(Session, WhatThePlaylistNamesOutsideTheAllowListNeverReachesTheEngine) {
    const std::string list = "http://tv.example/list.asx";
    session.setUrl(list);
    prober.answer(list, 200, asx({"file:///etc/passwd", "udp://@:5555", "v4l2://"}));
    EXPECT_TRUE(engine.opened.empty());
    EXPECT_EQ(status(), text(PlayerStatus::EmptyPlaylist));
    EXPECT_EQ(session.droppedAddresses().size(), 3u);
    session.setUrl("file:///etc/passwd");
    EXPECT_TRUE(engine.opened.empty());
    EXPECT_TRUE(prober.fetched.size() == 1u);
}
