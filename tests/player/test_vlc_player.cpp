// The embedded player on the real engine: clips made here, served on 127.0.0.1.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "clips.h"
#include "core/player/player_status.h"
#include "core/player/source_chooser.h"
#include "core/text/gbk.h"
#include "files.h"
#include "hostile_server.h"
#include "http_server.h"
#include "player/engine_process.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/player_control.h"
#include "player/qt_post.h"
#include "player/video_surface.h"
#include "proc_memory.h"
#include "watch.h"

using namespace qctest;

namespace {

constexpr int kPlayBound = 15000;  // generous: the machine is shared

class Player : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new HttpServer;
        std::string clip = makeClip(6), other = makeClip(6, "smptebars");
        server->route("/clip.wmv", {200, "video/x-ms-wmv", clip});
        server->route("/other.wmv", {200, "video/x-ms-wmv", other});
        const std::string ref = server->url("/clip.wmv");
        server->route("/live.asx",
                      {200, "video/x-ms-asf",
                       "<ASX version=\"3.0\"><Entry><Title>live</Title><Ref href=\"" + ref + "\"/></Entry></ASX>"});
        server->route("/list.php", {200, "text/html",
                                    "\r\n<asx version=\"3.0\">\n<entry><ref href=\"" + ref + "\" /></entry></asx>"});
        server->route("/gbk.asx", {200, "text/plain",
                                   qc::utf8ToGbk("<asx><entry><title>凤凰卫视中文台</title><author>晴川</author>"
                                                 "<ref href=\"" +
                                                 ref + "\"/></entry></asx>")});
        server->route("/fallback.asx", {200, "video/x-ms-asf",
                                        "<asx><entry><ref href=\"http://127.0.0.1:" + std::to_string(refusedPort()) +
                                            "/gone.wmv\"/><ref href=\"" + server->url("/missing.wmv") +
                                            "\"/><ref href=\"" + ref + "\"/></entry></asx>"});
        server->route("/reference", {200, "video/x-ms-asf", "[Reference]\r\nRef1=" + ref + "\r\n"});
        server->route("/empty.asx", {200, "video/x-ms-asf", "<asx version=\"3.0\"></asx>"});
        Reply stall;
        stall.mode = Reply::Mode::Stall;
        server->route("/stall", stall);
        server->route("/broken", {500, "text/html", "<html>oops</html>"});
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        // QC_PLAYER_ENGINE=process: the same tests with the engine in its own process.
        if (qgetenv("QC_PLAYER_ENGINE") == "process")
            engine = std::make_unique<qc::EngineProcess>(QC_ENGINE, QStringList{"--aout=adummy"});
        else
            engine = std::make_unique<qc::VlcMediaEngine>(
                qc::postToQt(), std::vector<std::string>{"--aout=adummy"});  // no sound device
        widget = std::make_unique<QWidget>();
        widget->resize(389, 305);
        player = new qc::TWindowsMediaPlayer(widget.get(), *engine);
        player->resize(389, 305);
        player->setAttemptBounds({.deadline = std::chrono::milliseconds(4000),
                                  .silence = std::chrono::milliseconds(2000),
                                  .mmsSilence = std::chrono::milliseconds(2000)});
        widget->show();
    }

    bool reaches(int state, int ms = kPlayBound) {
        return waitUntil([&] { return player->playState() == state; }, ms);
    }
    // Ends stopped with the given status line, and stays so.
    void expectFailure(qc::PlayerStatus why, int number = 0) {
        QString want = QString::fromStdString(qc::statusText(why, number));
        EXPECT_TRUE(waitUntil([&] { return player->statusLine() == want; }, 8000))
            << "status: " << player->statusLine().toStdString() << ", want " << want.toStdString();
        EXPECT_EQ(player->playState(), qc::kStopped);
        QTest::qWait(300);
        EXPECT_EQ(player->playState(), qc::kStopped);
    }

    static HttpServer* server;
    std::unique_ptr<qc::MediaEngine> engine;  // outlives the player
    std::unique_ptr<QWidget> widget;
    qc::TWindowsMediaPlayer* player = nullptr;
};

HttpServer* Player::server = nullptr;

}  // namespace

TEST_F(Player, StartsWithTheStoredSettings) {
    EXPECT_EQ(player->playState(), qc::kUndefined);
    EXPECT_EQ(player->fullScreen(), qc::kControlFalse);
    EXPECT_EQ(player->volume(), 50);
    EXPECT_EQ(player->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(Player, PlaysADirectFileAndEveryKindOfPlaylist) {
    for (const char* path :
         {"/clip.wmv", "/live.asx", "/list.php?id=7&fmt=asx", "/gbk.asx", "/fallback.asx", "/reference"}) {
        SCOPED_TRACE(path);
        player->setUrl(server->url(path));
        EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
        EXPECT_EQ(player->statusLine(), QString::fromStdString(qc::statusText(qc::PlayerStatus::Playing)));
    }
    // The playlist's dead refs were tried, in order, before the live one.
    auto seen = server->requests();
    auto at = [&](const std::string& r) { return std::find(seen.begin(), seen.end(), r) - seen.begin(); };
    EXPECT_LT(at("GET /fallback.asx"), at("GET /missing.wmv"));
}

// The share of the picture area, as the X server shows it, that is not black.
double litShare(qc::TWindowsMediaPlayer* player) {
    auto* video = player->findChild<qc::VideoSurface*>();
    QPoint at = video->mapToGlobal(QPoint(0, 0));
    QImage shot =
        QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), video->width(), video->height()).toImage();
    int lit = 0;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) lit += qGray(shot.pixel(x, y)) > 40;
    return shot.isNull() ? 0 : double(lit) / (shot.width() * shot.height());
}

// The engine draws into the player's own picture area, not into a window of its own, also after
// a trip to full screen and back.
TEST_F(Player, ThePictureIsDrawnInsideThePlayer) {
    widget->move(420, 300);  // away from where a window of the engine's own would appear
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    EXPECT_LT(litShare(player), 0.05);  // black before anything plays
    player->setUrl(server->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    EXPECT_TRUE(waitUntil([&] { return litShare(player) > 0.5; }, 5000)) << litShare(player);
    player->setFullScreen(qc::kControlTrue);
    QTest::qWait(300);
    player->setFullScreen(qc::kControlFalse);
    EXPECT_TRUE(waitUntil([&] { return litShare(player) > 0.5; }, 5000)) << litShare(player);
}

// Never a black picture under 正在播放: whenever the status line says so, a picture is there.
TEST_F(Player, ItSaysPlayingOnlyWithAPictureToShow) {
    auto* video = player->findChild<qc::VideoSurface*>();
    const QString playing = QString::fromStdString(qc::statusText(qc::PlayerStatus::Playing));
    for (const char* path : {"/clip.wmv", "/live.asx"}) {
        SCOPED_TRACE(path);
        player->setUrl(server->url(path));
        int saidPlaying = 0;
        waitUntil(
            [&] {
                if (player->statusLine() != playing) return false;
                EXPECT_TRUE(video->hasPicture()) << "正在播放 over no picture";
                return ++saidPlaying > 20;
            },
            kPlayBound);
        EXPECT_GT(saidPlaying, 20);
    }
    EXPECT_TRUE(waitUntil([&] { return litShare(player) > 0.5; }, 5000)) << litShare(player);
}

// No route to the host (this namespace has only loopback): the network's failure, not the address's.
TEST_F(Player, AnUnreachableHostIsSaidToBeTheNetworks) {
    for (const char* address : {"mms://192.0.2.7/live", "http://192.0.2.7/list.asx", "http://192.0.2.7/a.wmv"}) {
        SCOPED_TRACE(address);
        player->setUrl(address);
        expectFailure(qc::PlayerStatus::Unreachable);
    }
}

TEST_F(Player, WritingAUrlDoesNotWait) {
    QElapsedTimer t;
    t.start();
    player->setUrl(server->url("/stall"));
    EXPECT_LT(t.elapsed(), 500);
    EXPECT_EQ(player->playState(), qc::kTransitioning);
}

TEST_F(Player, ANewUrlReplacesWhatPlays) {
    player->setUrl(server->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    size_t before = server->requests().size();
    player->setUrl(server->url("/other.wmv"));
    EXPECT_TRUE(waitUntil([&] { return player->playState() == qc::kPlaying && server->requests().size() > before; },
                          kPlayBound));
    auto seen = server->requests();
    EXPECT_NE(std::find(seen.begin() + before, seen.end(), "GET /other.wmv"), seen.end());
    // The same address again is played again.
    player->setUrl(server->url("/other.wmv"));
    EXPECT_TRUE(reaches(qc::kPlaying));
}

TEST_F(Player, AnEmptyUrlStopsAndShowsNothing) {
    player->setUrl(server->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    player->setUrl("");
    EXPECT_EQ(player->playState(), qc::kStopped);
    QTest::qWait(500);
    EXPECT_EQ(player->playState(), qc::kStopped);
    // And with nothing played before.
    player->setUrl("");
    EXPECT_EQ(player->playState(), qc::kStopped);
}

TEST_F(Player, AddressesThatCantBePlayedEndStoppedWithAClearStatus) {
    player->setUrl("http://127.0.0.1:" + std::to_string(refusedPort()) + "/clip.wmv");
    expectFailure(qc::PlayerStatus::Refused);
    player->setUrl(server->url("/missing.wmv"));
    expectFailure(qc::PlayerStatus::NotFound, 404);
    player->setUrl(server->url("/broken"));
    expectFailure(qc::PlayerStatus::HttpError, 500);
    player->setUrl(server->url("/empty.asx"));
    expectFailure(qc::PlayerStatus::EmptyPlaylist);
    // Refused over MMS and over MMSH: the network's fault, said as such.
    player->setUrl("mms://127.0.0.1:" + std::to_string(refusedPort()) + "/live");
    expectFailure(qc::PlayerStatus::Refused);
}

TEST_F(Player, AServerThatNeverAnswersIsGivenUpWithinTheBound) {
    QElapsedTimer t;
    t.start();
    player->setUrl(server->url("/stall"));
    expectFailure(qc::PlayerStatus::TimedOut);
    EXPECT_LT(t.elapsed(), 6000);
}

TEST_F(Player, FullScreenWhilePlayingAndBackWithEscape) {
    player->setUrl(server->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    player->setFullScreen(qc::kControlTrue);
    EXPECT_EQ(player->fullScreen(), qc::kControlTrue);
    QWidget* full = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "fullScreenWindow" && w->isVisible()) full = w;
    ASSERT_NE(full, nullptr);
    EXPECT_EQ(full->geometry(), full->screen()->geometry());
    QTest::qWait(200);
    EXPECT_EQ(player->playState(), qc::kPlaying);  // playback goes on
    QTest::keyClick(full->focusWidget() ? full->focusWidget() : full, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return player->fullScreen() == qc::kControlFalse; }, 2000));
    EXPECT_EQ(player->playState(), qc::kPlaying);
    player->setFullScreen(qc::kControlTrue);
    player->setFullScreen(qc::kControlFalse);
    EXPECT_EQ(player->fullScreen(), qc::kControlFalse);
}

TEST_F(Player, DoubleClicksReportButtonShiftAndPosition) {
    QSignalSpy spy(player, &qc::TWindowsMediaPlayer::doubleClicked);
    QWidget* video = player->findChild<qc::VideoSurface*>();
    ASSERT_NE(video, nullptr);
    QTest::mouseDClick(video, Qt::LeftButton, Qt::NoModifier, QPoint(40, 30));
    QTest::mouseDClick(video, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(5, 6));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy[0][0].value<short>(), 1);
    EXPECT_EQ(spy[0][1].value<short>(), 0);
    EXPECT_EQ(spy[0][2].toInt(), 40);
    EXPECT_EQ(spy[0][3].toInt(), 30);
    EXPECT_EQ(spy[1][0].value<short>(), 2);
    EXPECT_EQ(spy[1][1].value<short>(), 3);
}

TEST_F(Player, RapidReplacementEndsInTheLastAddressesState) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusedPort()) + "/x.wmv";
    const std::string mmsRefused = "mms://127.0.0.1:" + std::to_string(refusedPort()) + "/live";
    const std::vector<std::string> mix = {server->url("/clip.wmv"),
                                          "",
                                          refused,
                                          server->url("/stall"),
                                          server->url("/live.asx"),
                                          mmsRefused,
                                          server->url("/other.wmv"),
                                          server->url("/missing.wmv")};
    for (int i = 0; i < 500; ++i) {
        player->setUrl(mix[i % mix.size()]);
        if (i % 7 == 0) player->setFullScreen(player->fullScreen() ? qc::kControlFalse : qc::kControlTrue);
        if (i % 25 == 0) QCoreApplication::processEvents();  // let some engine events interleave
    }
    // The 500th write was the silent server's address: its time-out is what the user sees.
    ASSERT_EQ(mix[499 % mix.size()], server->url("/stall"));
    expectFailure(qc::PlayerStatus::TimedOut);
    player->setFullScreen(qc::kControlFalse);
    // A live clip written last after another burst plays, and a refused address last ends
    // stopped with its status.
    for (int i = 0; i < 50; ++i) player->setUrl(mix[i % mix.size()]);
    player->setUrl(server->url("/other.wmv"));
    EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
    for (int i = 0; i < 50; ++i) player->setUrl(mix[i % mix.size()]);
    player->setUrl(refused);
    expectFailure(qc::PlayerStatus::Refused);
}

// ---- the network boundary: hostile and broken servers ------------------------------------------

namespace {

class PlayerBoundary : public Player {
protected:
    static void SetUpTestSuite() {
        Player::SetUpTestSuite();
        dir = new QTemporaryDir;
        tcp = new HttpServer;  // where tcp:// refs point: it must never see a connection
        hostile = new HostileServer(dir->filePath("secret").toStdString(), makeClip(6), tcp->port());
    }
    static void TearDownTestSuite() {
        delete hostile;
        delete tcp;
        delete dir;
        Player::TearDownTestSuite();
    }
    void SetUp() override {
        Player::SetUp();
        const std::string secret = dir->filePath("secret").toStdString();
        writeFile(secret, makeClip(1));  // something the engine could play, were it let near it
        opens = std::make_unique<FileOpens>(secret);
    }
    // Nothing outside the allow-list was opened, connected or listened on.
    void expectNothingTouched() {
        EXPECT_EQ(opens->count(), 0) << "the local file was opened";
        EXPECT_TRUE(tcp->requests().empty()) << "a raw connection was made";
        EXPECT_FALSE(udpPortTaken(5555)) << "a UDP listener was opened";
    }

    static QTemporaryDir* dir;
    static HttpServer* tcp;
    static HostileServer* hostile;
    std::unique_ptr<FileOpens> opens;
};

QTemporaryDir* PlayerBoundary::dir = nullptr;
HttpServer* PlayerBoundary::tcp = nullptr;
HostileServer* PlayerBoundary::hostile = nullptr;

}  // namespace

TEST_F(PlayerBoundary, RefsOfEverySchemeButTheNetworksAreDroppedAndNothingIsOpened) {
    for (const char* path : {"/every-scheme.asx", "/every-scheme.ref", "/nul.asx"}) {
        SCOPED_TRACE(path);
        player->setUrl(hostile->url(path));
        expectFailure(qc::PlayerStatus::EmptyPlaylist);
        EXPECT_FALSE(player->droppedAddresses().empty());
        for (const std::string& a : player->droppedAddresses()) EXPECT_FALSE(qc::isAllowedAddress(a)) << a;
    }
    QTest::qWait(500);  // anything the engine had started would show by now
    expectNothingTouched();
}

TEST_F(PlayerBoundary, RedirectsToLocalFilesOpenNothingWhoeverFollowsThem) {
    // Our fetch sees the redirect and drops it.
    player->setUrl(hostile->url("/to-file"));
    expectFailure(qc::PlayerStatus::CannotPlay);
    // The engine is given media and then, asking itself, is redirected: it has no module that
    // could open a local file.
    player->setUrl(hostile->url("/engine-to-file"));
    expectFailure(qc::PlayerStatus::CannotPlay);
    QTest::qWait(500);
    expectNothingTouched();
}

TEST_F(PlayerBoundary, EndlessAnswersEndQuicklyWithinBoundedMemory) {
    const Memory before = memory();
    QElapsedTimer t;
    t.start();
    player->setUrl(hostile->url("/endless-error"));
    expectFailure(qc::PlayerStatus::HttpError, 500);
    // A text answer that never ends is not media: it fails, and never reads as 播放结束.
    player->setUrl(hostile->url("/endless-text"));
    expectFailure(qc::PlayerStatus::BadPlaylist);
    EXPECT_LT(t.elapsed(), 8000);
#if !defined(__SANITIZE_ADDRESS__)  // its allocator keeps what is freed, in quarantine
    EXPECT_LT(memory().rssKb - before.rssKb, 64 * 1024) << "kB more resident";
#endif
}

TEST_F(PlayerBoundary, SilentSourcesCostTheSilenceBoundAndTheChoiceItsDeadline) {
    QElapsedTimer t;
    t.start();
    // 64 refs that accept and never answer: one deadline for the whole choice, not 64 time-outs.
    auto silentAsked = [&] {
        auto seen = hostile->http().requests();
        return std::count(seen.begin(), seen.end(), "GET /silent");
    };
    const auto before = silentAsked();
    player->setUrl(hostile->url("/silent-refs.asx"));
    // After the silence bound the next ref starts beside the first, which is kept.
    EXPECT_TRUE(waitUntil([&] { return silentAsked() >= before + 2; }, 5000));
    expectFailure(qc::PlayerStatus::TimedOut);
    EXPECT_LT(t.elapsed(), 4000 + 2000);
    // A silent first source is given up after the silence bound and the next one plays.
    t.restart();
    player->setUrl(hostile->url("/silent-first.asx"));
    EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
    EXPECT_GE(t.elapsed(), 2000 - 100);
    EXPECT_LT(t.elapsed(), 4000);
}

TEST_F(PlayerBoundary, StopWhileConnectingProbingOrPlayingEndsStoppedAndNothingStartsLater) {
    auto* stop = player->findChild<QToolButton*>("stop");
    ASSERT_NE(stop, nullptr);
    for (const char* path : {"/silent", "/silent-first.asx", "/clip.wmv"}) {
        SCOPED_TRACE(path);
        player->setUrl(hostile->url(path));
        if (std::string(path) == "/clip.wmv") ASSERT_TRUE(reaches(qc::kPlaying));
        else QTest::qWait(300);  // connecting, or reading the playlist's first source
        stop->click();
        EXPECT_EQ(player->playState(), qc::kStopped);
        EXPECT_EQ(player->statusLine(), QString::fromStdString(qc::statusText(qc::PlayerStatus::Stopped)));
        QTest::qWait(3000);  // past the silence bound: nothing may start by itself
        EXPECT_EQ(player->playState(), qc::kStopped);
        EXPECT_EQ(player->statusLine(), QString::fromStdString(qc::statusText(qc::PlayerStatus::Stopped)));
    }
}

TEST_F(PlayerBoundary, TheTransportControlsActOnTheEngine) {
    player->setUrl(hostile->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    auto* playPause = player->findChild<QToolButton*>("playPause");
    auto* mute = player->findChild<QToolButton*>("mute");
    auto* volume = player->findChild<QSlider*>("volume");
    ASSERT_TRUE(playPause && mute && volume);
    playPause->click();
    EXPECT_TRUE(reaches(qc::kPaused, 5000));
    playPause->click();
    EXPECT_TRUE(reaches(qc::kPlaying, 5000));
    volume->setValue(80);
    EXPECT_EQ(player->volume(), 80);
    // Seeking: the server answers ranges, so the clip can be sought; a drag to 60 % lands there.
    auto* position = player->findChild<QSlider*>("position");
    ASSERT_NE(position, nullptr);
    ASSERT_TRUE(waitUntil([&] { return position->isEnabled(); }, 5000)) << "not seekable";
    ASSERT_LT(position->value(), 400);
    position->setSliderDown(true);
    position->setValue(600);
    position->setSliderDown(false);  // the release is what seeks
    EXPECT_TRUE(waitUntil([&] { return position->value() >= 580; }, 3000)) << position->value();
    mute->click();
    mute->click();
    EXPECT_EQ(player->playState(), qc::kPlaying);
    // Stopped, the play button starts the same address over.
    player->findChild<QToolButton*>("stop")->click();
    EXPECT_EQ(player->playState(), qc::kStopped);
    playPause->click();
    EXPECT_TRUE(reaches(qc::kPlaying));
}

// A real click of the X server's pointer on the position groove: playback jumps there.
TEST_F(PlayerBoundary, AClickOnThePositionGrooveJumpsThere) {
    widget->move(50, 50);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    player->setUrl(hostile->url("/clip.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying));
    auto* position = player->findChild<QSlider*>("position");
    ASSERT_TRUE(waitUntil([&] { return position->isEnabled(); }, 5000)) << "not seekable";
    ASSERT_LT(position->value(), 400);
    QPoint at = position->mapToGlobal(QPoint(position->width() * 4 / 5, position->height() / 2));
    QProcess::execute("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1"});
    // The clip is 6 s long: at 80 % its clock reads 4 s or more.
    auto* time = player->findChild<QLabel*>("time");
    ASSERT_NE(time, nullptr);
    EXPECT_TRUE(waitUntil([&] { return time->text().startsWith("00:04") || time->text().startsWith("00:05"); }, 3000))
        << time->text().toStdString();
    EXPECT_GE(position->value(), 750);
}

// ---- a real Windows Media (MMSH) server: VLC's own streaming output ----------------------------

namespace {

class PlayerMmsh : public Player {
protected:
    static void SetUpTestSuite() {
        Player::SetUpTestSuite();
        dir = new QTemporaryDir;
        QFile::setPermissions(dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
        // It broadcasts: a source shorter than the test would end the stream at its loop.
        const QString clip = dir->filePath("long.wmv");
        writeFile(clip.toStdString(), makeClip(120));
        QFile::setPermissions(clip, QFileDevice::ReadOwner | QFileDevice::ReadOther);
        port = refusedPort();
        mmsh = new QProcess;
        // VLC refuses to run as root: an unprivileged user, and exec'd, so its PID is ours to end.
        mmsh->start("setpriv",
                    {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "cvlc", "-I", "dummy", "--no-lua",
                     "--quiet", clip, QString("--sout=#std{access=mmsh,mux=asfh,dst=127.0.0.1:%1/live}").arg(port)});
        mmsh->waitForStarted(5000);
        // It listens before it has the stream's header, and answers without it until then.
        ready = waitUntil([] { return answersWithBody(port, "/live"); }, 15000);
    }
    static void TearDownTestSuite() {
        mmsh->terminate();
        if (!mmsh->waitForFinished(5000)) mmsh->kill();
        delete mmsh;
        delete dir;
        Player::TearDownTestSuite();
    }
    std::string address(const char* scheme) {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/live";
    }

    static QTemporaryDir* dir;
    static QProcess* mmsh;
    static int port;
    static bool ready;
};

QTemporaryDir* PlayerMmsh::dir = nullptr;
QProcess* PlayerMmsh::mmsh = nullptr;
int PlayerMmsh::port = 0;
bool PlayerMmsh::ready = false;

}  // namespace

TEST_F(PlayerMmsh, AnMmsAddressWithAPortAndAnHttpLivePointPlayOverMmsh) {
    ASSERT_TRUE(ready) << "the MMSH server did not start";
    // The engine's MMS over TCP gets nowhere on an MMSH-only port; after the mms bound, MMSH.
    player->setUrl(address("mms"));
    EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
    // Over plain http the server answers with the MMSH header: played as mmsh://, not ended at once.
    player->setUrl(address("http"));
    EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
    QTest::qWait(2000);
    EXPECT_EQ(player->playState(), qc::kPlaying) << player->statusLine().toStdString();
    // A server-made page that redirects to the mms:// address: the redirect is the next source.
    server->route("/live.asp", {.status = 302, .contentType = "text/html", .headers = {"Location: " + address("mms")}});
    player->setUrl(server->url("/live.asp?id=1"));
    EXPECT_TRUE(reaches(qc::kPlaying)) << player->statusLine().toStdString();
}
