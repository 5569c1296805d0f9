// The player's behaviour on a fake engine and a fake prober, by the clock: the race of sources,
// bounds counted from the last sign of life, truthful status texts, live sources that come back.

#include "session_fixture.h"

using namespace qctest;

// ---- what the status line says --------------------------------------------------------------

TEST_F(Session, BufferingFromTheOpenUntilThePictureAndPlayingOnlyWhilePicturesCome) {
    session.setUrl(kLive);
    EXPECT_EQ(session.playState(), qc::kTransitioning);
    EXPECT_EQ(status(), text(PlayerStatus::Connecting));
    engine.event(kLive, Kind::Playing);  // the engine's own "playing" comes before any picture
    EXPECT_NE(session.playState(), qc::kPlaying);
    engine.event(kLive, buffering(40));
    EXPECT_EQ(status(), "正在缓冲 40%");
    EXPECT_EQ(session.playState(), qc::kBuffering);
    engine.event(kLive, Kind::Media);
    engine.event(kLive, progress(0, 0));
    EXPECT_EQ(status(), "正在缓冲 40%");
    engine.event(kLive, buffering(90));
    EXPECT_EQ(status(), "正在缓冲 90%");
    engine.event(kLive, progress(40, 1));
    EXPECT_EQ(status(), "正在播放");
    EXPECT_EQ(session.playState(), qc::kPlaying);
    keepPlaying(kLive, 2000);
    EXPECT_EQ(status(), "正在播放");
    // A stall of more than a second is buffering, and playing again when pictures come.
    advance(1000);
    EXPECT_EQ(status(), "正在播放");
    advance(300);
    EXPECT_EQ(status(), "正在缓冲 90%");
    EXPECT_EQ(session.playState(), qc::kBuffering);
    engine.event(kLive, buffering(30));  // the engine's own count while it stalls
    EXPECT_EQ(status(), "正在缓冲 30%");
    keepPlaying(kLive, 300);
    EXPECT_EQ(status(), "正在播放");
    // A stall after the first buffering was done starts from 0 %.
    engine.event(kLive, buffering(100));
    keepPlaying(kLive, 300);
    advance(1300);
    EXPECT_EQ(status(), "正在缓冲 0%");
    keepPlaying(kLive, 300);
    // Paused is no stall.
    engine.event(kLive, Kind::Paused);
    advance(3000);
    EXPECT_EQ(status(), "已暂停");
    EXPECT_EQ(session.playState(), qc::kPaused);
}

// The first picture shown says playing at once, before the engine reports progress; pictures
// that keep coming are no stall.
TEST_F(Session, APictureShownIsPlaying) {
    struct Sink : qc::PictureSink {
        int pictures = 0, cleared = 0;
        void picture(const std::uint8_t*, int, int, int) override { ++pictures; }
        void clearPicture() override { ++cleared; }
    } sink;
    session.setPictureSink(&sink);
    ASSERT_NE(engine.sink(), nullptr);
    session.setUrl(kLive);
    const std::uint8_t px[16] = {};
    engine.sink()->picture(px, 2, 2, 8);  // a racer's, before any won: not yet playing
    EXPECT_EQ(session.playState(), qc::kTransitioning);
    engine.event(kTwin, Kind::Media);
    EXPECT_EQ(status(), "正在缓冲 0%");
    engine.sink()->picture(px, 2, 2, 8);
    EXPECT_EQ(status(), "正在播放");
    for (int i = 0; i < 30; ++i) {
        advance(100);
        engine.sink()->picture(px, 2, 2, 8);
    }
    EXPECT_EQ(status(), "正在播放");
    EXPECT_EQ(sink.pictures, 32);  // every one passed on
    engine.sink()->clearPicture();
    EXPECT_EQ(sink.cleared, 1);
}

TEST_F(Session, AnUnreachableHostIsANetworkFailureNotABadAddress) {
    const std::string ip = "mms://192.0.2.7/live";
    session.setUrl(ip);
    engine.event(ip, failed(Cause::Unreachable));
    EXPECT_EQ(status(), "网络不通，无法到达服务器，请检查网络连接。");
    EXPECT_NE(status(), "无法播放这个地址。");
    EXPECT_EQ(session.playState(), qc::kStopped);
    EXPECT_EQ(engine.openCount(), 0);  // its twin on the same host is not waited for
    session.setUrl("http://192.0.2.7/list.asx");
    prober.fail("http://192.0.2.7/list.asx", qc::FetchReport::Failure::Unreachable);
    EXPECT_EQ(status(), "网络不通，无法到达服务器，请检查网络连接。");
}

TEST_F(Session, ATimeOutSaysWhetherTheServerEverAnswered) {
    session.setUrl("http://tv.example/silent.wmv");
    // What the engine says of its own start is no answer of the server's.
    engine.event("http://tv.example/silent.wmv", Kind::Opening);
    engine.event("http://tv.example/silent.wmv", buffering(0));
    engine.event("http://tv.example/silent.wmv", Kind::Playing);
    EXPECT_EQ(status(), text(PlayerStatus::Connecting));
    advance(30000);
    EXPECT_EQ(status(), "服务器没有响应，连接已超时。");
    // It answered, then sent nothing more: not "never answered".
    session.setUrl("http://tv.example/slow.wmv");
    advance(2000);
    engine.event("http://tv.example/slow.wmv", Kind::Life);
    advance(32000);
    EXPECT_EQ(session.playState(), qc::kStopped);
    EXPECT_EQ(status(), "服务器有响应，但节目数据迟迟没有到达，连接已超时。");
}

TEST_F(Session, TheEnginesLossIsSaidAndNothingComesBackByItself) {
    session.setUrl(kLive);
    plays(kLive);
    engine.lose();
    EXPECT_EQ(status(), "播放器出错，请重新选择。");
    EXPECT_EQ(session.playState(), qc::kStopped);
    engine.opened.clear();
    advance(20000);
    EXPECT_TRUE(engine.opened.empty());
    session.setUrl(kLive);  // choosing again works
    EXPECT_TRUE(engine.isOpen(kLive));
}

// ---- one fetch per candidate --------------------------------------------------------------

// ---- the race ------------------------------------------------------------------------------

TEST_F(Session, AfterTheSilenceBoundTheNextStartsBesideTheSlowOneAndTheFirstMediaWins) {
    const std::string list = "http://tv.example/mirrors.asx";
    const std::vector<std::string> m = {"http://m1.example/a.wmv", "http://m2.example/a.wmv",
                                        "http://m3.example/a.wmv"};
    session.setUrl(list);
    prober.answer(list, 200, asx(m));
    EXPECT_TRUE(engine.isOpen(m[0]));
    advance(4900);
    EXPECT_FALSE(engine.isOpen(m[1]));
    advance(200);
    EXPECT_TRUE(engine.isOpen(m[0])) << "the slow one is kept";
    EXPECT_TRUE(engine.isOpen(m[1]));
    advance(1000);  // the first mirror answers at 6 s: it is still there to answer
    engine.event(m[0], Kind::Life);
    plays(m[0]);
    EXPECT_EQ(status(), "正在播放");
    EXPECT_EQ(engine.shown, engine.slotOf(m[0]));
    EXPECT_FALSE(engine.isOpen(m[1]));
    EXPECT_FALSE(engine.isOpen(m[2]));
    EXPECT_LT(now, 6500);

    // Whichever sends media first wins, the later one too.
    session.setUrl(list);
    prober.answer(list, 200, asx(m));
    advance(5100);
    engine.event(m[1], Kind::Media);
    EXPECT_FALSE(engine.isOpen(m[0]));
    EXPECT_EQ(engine.shown, engine.slotOf(m[1]));
}

TEST_F(Session, NoMoreThanTheEnginesSlotsAreInFlight) {
    std::vector<std::string> refs;
    for (int i = 0; i < 20; ++i) refs.push_back("http://m" + std::to_string(i) + ".example/a.wmv");
    session.setBounds({.deadline = std::chrono::milliseconds(200000), .silence = std::chrono::milliseconds(5000)});
    session.setUrl("http://tv.example/many.asx");
    prober.answer("http://tv.example/many.asx", 200, asx(refs));
    int most = 0;
    for (int s = 0; s < 100; ++s) {
        advance(1000);
        most = std::max(most, engine.openCount());
        EXPECT_LE(session.inFlight(), qc::MediaEngine::kSlots);
    }
    EXPECT_EQ(most, qc::MediaEngine::kSlots);
    EXPECT_GT(engine.opened.size(), 10u);  // it moved on through the list all the same
}

TEST_F(Session, AnMmsAddressStartsWithItsMmshTwin) {
    session.setUrl(kLive);
    EXPECT_TRUE(engine.isOpen(kLive));
    EXPECT_TRUE(engine.isOpen(kTwin));  // at once, not after the engine's MMS time-outs
    plays(kTwin);
    EXPECT_FALSE(engine.isOpen(kLive));
    EXPECT_EQ(status(), "正在播放");
    // A refusal of MMS leaves the twin going.
    session.setUrl(kLive);
    engine.event(kLive, failed(Cause::Refused));
    EXPECT_TRUE(engine.isOpen(kTwin));
    EXPECT_EQ(session.playState(), qc::kTransitioning);
    plays(kTwin);
    EXPECT_EQ(status(), "正在播放");
    // An HTTP error says the point isn't there: the twin would repeat it.
    session.setUrl(kLive);
    engine.event(kTwin, failed(Cause::HttpStatus, 404));
    EXPECT_FALSE(engine.isOpen(kLive));
    EXPECT_EQ(status(), text(PlayerStatus::NotFound, 404));
}

TEST_F(Session, ADeadMmsFirstRefCostsOneSilenceBound) {
    const std::string list = "http://tv.example/list.asx";
    session.setUrl(list);
    prober.answer(list, 200, asx({"mms://dead.example/live", "http://tv.example/b.wmv"}));
    advance(5100);
    ASSERT_TRUE(engine.isOpen("http://tv.example/b.wmv"));
    plays("http://tv.example/b.wmv");
    EXPECT_EQ(status(), "正在播放");
    EXPECT_LT(now, 6000);
}

// ---- bounds ---------------------------------------------------------------------------------

TEST_F(Session, ASourceThatShowsLifeKeepsGoingPastTheDeadline) {
    session.setUrl(kLive);
    for (int s = 0; s < 25; ++s) {  // 50 s of a slow answer that keeps coming
        advance(2000);
        engine.event(kTwin, buffering(s * 4));
    }
    EXPECT_EQ(session.playState(), qc::kBuffering);
    plays(kTwin);
    EXPECT_EQ(status(), "正在播放");
}

TEST_F(Session, TheWholeChoiceEndsInBoundedTimeWhateverShowsLife) {
    session.setUrl(kLive);
    while (now < 200000 && engine.isOpen(kTwin)) {
        engine.event(kTwin, Kind::Life);
        advance(1000);
    }
    EXPECT_EQ(session.playState(), qc::kStopped);
    EXPECT_GE(now, 120000);
    EXPECT_LE(now, 121000);
    EXPECT_EQ(engine.openCount(), 0);
}

// ---- live sources come back ----------------------------------------------------------------

TEST_F(Session, ALiveSourceCutOffIsTriedAgainUntilItComesBack) {
    session.setUrl(kLive);
    plays(kTwin);
    keepPlaying(kTwin, 1000);
    engine.event(kTwin, Kind::Ended);  // the server went away
    EXPECT_EQ(status(), "连接中断，正在重新连接…");
    EXPECT_NE(session.playState(), qc::kMediaEnded);
    EXPECT_EQ(engine.openCount(), 0);
    // Tried after about 1, 2, 4, 8 s while it refuses; the status stays.
    std::vector<std::int64_t> tries;
    const std::int64_t cut = now;
    while (now - cut < 20000) {
        advance(100);
        if (engine.isOpen(kLive)) {
            tries.push_back(now - cut);
            engine.event(kLive, failed(Cause::Refused));
            engine.event(kTwin, failed(Cause::Refused));
        }
        EXPECT_EQ(status(), "连接中断，正在重新连接…");
    }
    ASSERT_GE(tries.size(), 4u);
    EXPECT_NEAR(tries[0], 1000, 150);
    EXPECT_NEAR(tries[1] - tries[0], 2000, 150);
    EXPECT_NEAR(tries[2] - tries[1], 4000, 150);
    EXPECT_NEAR(tries[3] - tries[2], 8000, 150);
    // Back: it plays again.
    advance(15000);
    ASSERT_TRUE(engine.isOpen(kTwin));
    plays(kTwin);
    EXPECT_EQ(status(), "正在播放");
    EXPECT_EQ(session.playState(), qc::kPlaying);
}

TEST_F(Session, RetriesGoOnForTwoMinutesThenSayWhatHappened) {
    session.setUrl(kLive);
    plays(kTwin);
    engine.event(kTwin, failed(Cause::Refused));  // an error mid-play, of a live source
    const std::int64_t cut = now;
    std::int64_t last = 0;
    while (now - cut < 200000 && session.playState() != qc::kStopped) {
        advance(100);
        if (engine.isOpen(kLive)) {
            last = now - cut;
            engine.event(kLive, failed(Cause::Refused));
            engine.event(kTwin, failed(Cause::Refused));
        }
    }
    EXPECT_GE(last, 120000);
    EXPECT_LT(last, 140000);
    EXPECT_EQ(status(), text(PlayerStatus::Refused));
}

TEST_F(Session, AUserActionEndsTheRetries) {
    session.setUrl(kLive);
    plays(kTwin);
    engine.event(kTwin, Kind::Ended);
    session.stop();
    EXPECT_EQ(status(), "已停止");
    advance(30000);
    EXPECT_EQ(engine.openCount(), 0);
    EXPECT_EQ(status(), "已停止");
    // Another entry: only it is opened.
    session.setUrl(kLive);
    plays(kTwin);
    engine.event(kTwin, Kind::Ended);
    session.setUrl("http://tv.example/other.wmv");
    engine.opened.clear();
    advance(30000);
    EXPECT_TRUE(engine.opened.empty());
}

TEST_F(Session, AFileThatEndsHasEnded) {
    const std::string file = "http://tv.example/a.wmv";
    session.setUrl(file);
    plays(file, 6000);
    keepPlaying(file, 500, 6000);
    engine.event(file, Kind::Ended);
    EXPECT_EQ(status(), "播放结束");
    EXPECT_EQ(session.playState(), qc::kMediaEnded);
    engine.opened.clear();
    advance(20000);
    EXPECT_TRUE(engine.opened.empty());
    // A film over mms that reached its end has ended too; one cut off half-way is tried again.
    const std::string film = "mms://tv.example/film.wmv", twin = "mmsh://tv.example/film.wmv";
    session.setUrl(film);
    plays(twin, 60000);
    engine.event(twin, progress(59000, 1400, 60000));
    engine.event(twin, Kind::Ended);
    EXPECT_EQ(status(), "播放结束");
    session.setUrl(film);
    plays(twin, 60000);
    engine.event(twin, progress(30000, 700, 60000));
    engine.event(twin, Kind::Ended);
    EXPECT_EQ(status(), "连接中断，正在重新连接…");
}

// ---- the transport controls, and what the engine says of closed sources -------------------

TEST_F(Session, TheControlsActOnTheSourceShown) {
    const std::string file = "http://tv.example/a.wmv";
    session.setUrl(file);
    session.seek(0.5);  // nothing to seek yet
    plays(file, 6000);
    const std::string slot = std::to_string(engine.slotOf(file));
    engine.log.clear();
    session.playPause();
    engine.event(file, Kind::Paused);
    EXPECT_EQ(session.playState(), qc::kPaused);
    session.playPause();
    session.seek(0.5);
    EXPECT_EQ(engine.log, (std::vector<std::string>{"pause " + slot, "resume " + slot, "seek " + slot + " 0.500000"}));
    session.stop();
    EXPECT_EQ(session.playState(), qc::kStopped);
    EXPECT_EQ(engine.openCount(), 0);
    session.playPause();  // stopped: the same address over again
    EXPECT_TRUE(engine.isOpen(file));
    EXPECT_EQ(session.playState(), qc::kTransitioning);
}

TEST_F(Session, ItNeedsTheClockOnlyWhileSomethingIsUnderWay) {
    EXPECT_FALSE(session.needsTicks());
    session.setUrl(kLive);
    EXPECT_TRUE(session.needsTicks());
    plays(kTwin);
    EXPECT_TRUE(session.needsTicks());  // a stall would show
    engine.event(kTwin, Kind::Ended);
    EXPECT_TRUE(session.needsTicks());  // the retry is waited for
    session.stop();
    EXPECT_FALSE(session.needsTicks());
    session.setUrl("http://tv.example/a.wmv");
    engine.event("http://tv.example/a.wmv", failed(Cause::Refused));
    EXPECT_FALSE(session.needsTicks());
}

TEST_F(Session, EventsOfASourceClosedSinceChangeNothing) {
    session.setUrl("http://tv.example/a.wmv");
    const int slot = engine.slotOf("http://tv.example/a.wmv");
    const std::uint32_t old = engine.source(slot)->generation;
    session.setUrl("http://tv.example/b.wmv");
    EngineEvent e = progress(40, 1);
    e.slot = slot;
    e.generation = old;
    engine.send(e);
    e.kind = Kind::Ended;
    engine.send(e);
    EXPECT_EQ(session.playState(), qc::kTransitioning);
    EXPECT_EQ(status(), text(PlayerStatus::Connecting));
}
