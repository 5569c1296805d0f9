// The player's picture on the screen of a real desktop (run by tests/e2e/player_picture.sh on
// openbox, weston with XWayland and weston's own Wayland): colour bars, played by the real engine,
// are in a screenshot of the desktop whenever the status line says 正在播放.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "clips.h"
#include "core/player/player_status.h"
#include "http_server.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/player_control.h"
#include "player/qt_post.h"

using namespace qctest;

namespace {

// The whole desktop as its compositor or X server shows it: QC_SHOT=weston or x.
QImage desktopShot() {
    QTemporaryDir dir;
    QProcess p;
    p.setWorkingDirectory(dir.path());
    if (qgetenv("QC_SHOT") == "weston") {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("WAYLAND_DISPLAY", "qc-weston");
        p.setProcessEnvironment(env);
        p.start("weston-screenshooter", {});
    } else {
        p.start("import", {"-window", "root", dir.filePath("shot.png")});
    }
    if (!p.waitForFinished(10000)) return {};
    for (const QString& f : QDir(dir.path()).entryList({"*.png"})) return QImage(dir.filePath(f));
    return {};
}

// Pixels of strong colour: the bars have them, the desktop, the window and a black picture don't.
int colourful(const QImage& shot) {
    int n = 0;
    for (int y = 0; y < shot.height(); y += 2)
        for (int x = 0; x < shot.width(); x += 2) {
            QRgb c = shot.pixel(x, y);
            n += std::max({qRed(c), qGreen(c), qBlue(c)}) - std::min({qRed(c), qGreen(c), qBlue(c)}) > 150;
        }
    return n * 4;
}

}  // namespace

TEST(PlayerOnDesktop, ThePictureIsOnTheScreenWhileItSaysPlaying) {
    HttpServer server;
    server.route("/bars.wmv", {200, "video/x-ms-wmv", makeClip(30, "smptebars")});
    qc::VlcMediaEngine engine(qc::postToQt(), {"--aout=adummy"});
    ASSERT_TRUE(qc::engineStarted(engine));
    QWidget window;
    window.resize(389, 305);
    auto* player = new qc::TWindowsMediaPlayer(&window, engine);
    player->resize(389, 305);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::qWait(500);
    const QImage before = desktopShot();
    ASSERT_FALSE(before.isNull()) << "no screenshot";
    EXPECT_LT(colourful(before), 2000) << "strong colour on the desktop before anything plays";
    player->setUrl(server.url("/bars.wmv"));
    const QString playing = QString::fromStdString(qc::statusText(qc::PlayerStatus::Playing));
    ASSERT_TRUE(waitUntil([&] { return player->statusLine() == playing; }, 15000))
        << player->statusLine().toStdString();
    int best = 0;
    waitUntil(
        [&] {
            if (player->statusLine() != playing) return false;
            QImage shot = desktopShot();
            best = std::max(best, colourful(shot));
            if (best > 40000) shot.save(qEnvironmentVariable("QC_SHOT_KEEP", "/dev/null"), "PNG");
            return best > 40000;  // most of the 389 x 280 picture
        },
        10000);
    EXPECT_GT(best, 40000) << "a black or missing picture under 正在播放";
}
