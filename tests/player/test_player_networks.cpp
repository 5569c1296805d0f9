// The player on the networks users have, against real servers on 127.0.0.1: a live MMSH server
// that restarts, mirrors that think for seconds before they answer, a source whose media comes
// slowly. Judged by what plays and by what the servers saw.

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "clips.h"
#include "core/player/player_status.h"
#include "files.h"
#include "http_server.h"
#include "link_emulator.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/player_control.h"
#include "player/qt_post.h"

using namespace qctest;

namespace {

// VLC's own streaming output as a live Windows Media server on `port`, broadcasting a long clip.
class MmshServer {
public:
    MmshServer(const QString& clip, int port) : clip_(clip), port_(port) { start(); }
    ~MmshServer() { stop(); }
    void start() {
        process_ = std::make_unique<QProcess>();
        // VLC refuses to run as root: an unprivileged user, and exec'd, so its PID is ours to end.
        process_->start("setpriv", {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "cvlc", "-I", "dummy",
                                    "--no-lua", "--quiet", clip_,
                                    QString("--sout=#std{access=mmsh,mux=asfh,dst=127.0.0.1:%1/live}").arg(port_)});
        process_->waitForStarted(5000);
    }
    void stop() {
        if (!process_) return;
        process_->terminate();
        if (!process_->waitForFinished(5000)) process_->kill();
        process_->waitForFinished(2000);
        process_.reset();
    }
    // It listens before it has the stream's header: ready once a request gets some of the stream.
    bool ready(int ms) {
        return waitUntil([&] { return answersWithBody(port_, "/live"); }, ms);
    }
    std::string address(const char* scheme) const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + "/live";
    }

private:
    QString clip_;
    int port_;
    std::unique_ptr<QProcess> process_;
};

class Networks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new QTemporaryDir;
        QFile::setPermissions(dir->path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::ExeOther);
        clip = new QString(dir->filePath("long.wmv"));
        writeFile(clip->toStdString(), makeClip(180));
        QFile::setPermissions(*clip, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    }
    static void TearDownTestSuite() {
        delete clip;
        delete dir;
    }
    void SetUp() override {
        engine = std::make_unique<qc::VlcMediaEngine>(qc::postToQt(), std::vector<std::string>{"--aout=adummy"});
        widget = std::make_unique<QWidget>();
        widget->resize(389, 305);
        player = new qc::TWindowsMediaPlayer(widget.get(), *engine);
        player->resize(389, 305);
        widget->show();
    }
    bool reaches(int state, int ms) {
        return waitUntil([&] { return player->playState() == state; }, ms);
    }
    std::string status() const { return player->statusLine().toStdString(); }

    static QTemporaryDir* dir;
    static QString* clip;
    std::unique_ptr<qc::VlcMediaEngine> engine;  // outlives the player
    std::unique_ptr<QWidget> widget;
    qc::TWindowsMediaPlayer* player = nullptr;
};

QTemporaryDir* Networks::dir = nullptr;
QString* Networks::clip = nullptr;

}  // namespace

// A live channel whose server restarts comes back by itself, saying meanwhile what happens.
TEST_F(Networks, ALiveChannelComesBackAfterItsServerRestarts) {
    const int port = refusedPort();
    MmshServer server(*clip, port);
    ASSERT_TRUE(server.ready(15000)) << "the MMSH server did not start";
    player->setUrl(server.address("mms"));
    ASSERT_TRUE(reaches(qc::kPlaying, 15000)) << status();
    QTest::qWait(1000);
    server.stop();  // the cut
    QElapsedTimer cut;
    cut.start();
    const std::string reconnecting = qc::statusText(qc::PlayerStatus::Reconnecting);
    EXPECT_TRUE(waitUntil([&] { return status() == reconnecting; }, 8000)) << status();
    EXPECT_NE(status(), qc::statusText(qc::PlayerStatus::Ended));
    while (cut.elapsed() < 3000) QTest::qWait(50);
    server.start();  // back after 3 s
    EXPECT_TRUE(reaches(qc::kPlaying, 30000)) << status();
    EXPECT_EQ(status(), qc::statusText(qc::PlayerStatus::Playing));
    std::printf("networks: back playing %.1f s after the cut\n", cut.elapsed() / 1000.0);
    // Stop ends the retries: after another cut, nothing is asked of the server.
    player->findChild<QToolButton*>("stop")->click();
    EXPECT_EQ(player->playState(), qc::kStopped);
}

// Mirrors that each think 6 s before they answer: the first one's answer is still waited for when
// the next starts beside it, and it plays.
TEST_F(Networks, AListOfMirrorsThatAnswerIn6SecondsPlays) {
    HttpServer server;
    const std::string media = makeClip(6);
    std::vector<std::string> refs;
    for (int i = 1; i <= 3; ++i) {
        const std::string path = "/mirror" + std::to_string(i) + ".wmv";
        server.route(path, {.status = 200, .contentType = "video/x-ms-wmv", .body = media, .delayMs = 6000});
        refs.push_back(server.url(path));
    }
    std::string asx = "<asx version=\"3.0\">";
    for (const auto& r : refs) asx += "<entry><ref href=\"" + r + "\"/></entry>";
    server.route("/mirrors.asx", {200, "video/x-ms-asf", asx + "</asx>"});
    QElapsedTimer t;
    t.start();
    player->setUrl(server.url("/mirrors.asx"));
    ASSERT_TRUE(reaches(qc::kPlaying, 20000)) << status();
    EXPECT_LT(t.elapsed(), 9000);  // the first mirror's 6 s, not three silence bounds and more
    std::printf("networks: 3 mirrors answering in 6 s played after %.1f s\n", t.elapsed() / 1000.0);
    auto seen = server.requests();
    EXPECT_NE(std::find(seen.begin(), seen.end(), "GET /mirror1.wmv"), seen.end());
}

// A source that answered and sends its media slowly is not cut at the deadline counted from the
// press: the deadline counts from its last sign of life.
TEST_F(Networks, TheDeadlineDoesNotCutASourceThatKeepsAnswering) {
    HttpServer server;
    Reply slow{.status = 200, .contentType = "video/x-ms-wmv", .body = makeClip(20), .mode = Reply::Mode::Trickle};
    slow.trickleMs = 50;
    slow.trickleBytes = 600;  // 12 kB/s
    server.route("/slow.wmv", slow);
    player->setAttemptBounds({.deadline = std::chrono::milliseconds(3000), .silence = std::chrono::milliseconds(2000)});
    QElapsedTimer t;
    t.start();
    player->setUrl(server.url("/slow.wmv"));
    ASSERT_TRUE(reaches(qc::kPlaying, 30000)) << status();
    std::printf("networks: a 12 kB/s source played after %.1f s (deadline 3 s)\n", t.elapsed() / 1000.0);
    EXPECT_GT(t.elapsed(), 3000) << "too fast to say anything of the deadline";
}
