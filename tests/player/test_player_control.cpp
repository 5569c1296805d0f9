// The player widget on a fake engine under Xvfb: the pictures it is handed painted in its own
// widget (no native window anywhere), and its controls under real clicks at real pixels.

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <memory>
#include <vector>

#include "clips.h"
#include "core/player/player_status.h"
#include "fakes.h"
#include "player/player_control.h"
#include "player/video_surface.h"

using namespace qctest;
using Kind = qc::EngineEvent::Kind;

namespace {

const std::string kFile = "http://tv.example/a.wmv";

class PlayerControl : public ::testing::Test {
protected:
    void SetUp() override {
        widget = std::make_unique<QWidget>();
        widget->resize(389, 305);
        player = new qc::TWindowsMediaPlayer(widget.get(), engine);
        player->resize(389, 305);
        widget->move(100, 100);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(widget.get()));
    }
    // The fake engine plays `kFile`, 6 s long, seekable, with pictures.
    void play(std::int64_t timeMs = 500) {
        write(kFile);
        engine.event(kFile, Kind::Media);
        engine.event(kFile, Kind::Playing);
        qc::EngineEvent e{Kind::Progress};
        e.timeMs = timeMs;
        e.lengthMs = 6000;
        e.position = timeMs / 6000.0;
        e.seekable = e.hasVideo = true;
        e.pictures = 10;
        engine.event(kFile, e);
        ASSERT_EQ(player->playState(), qc::kPlaying);
    }
    // A URL write, and the turn of the event loop that hands it on.
    void write(const std::string& url) {
        player->setUrl(url);
        QCoreApplication::processEvents();
    }
    template <class T> T* child(const char* name) {
        T* w = player->findChild<T*>(name);
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    // A real click of the X server's pointer at `at` in `w` (not a synthesized Qt event).
    static void click(QWidget* w, QPoint at) {
        QPoint g = w->mapToGlobal(at);
        QProcess::execute("xdotool", {"mousemove", QString::number(g.x()), QString::number(g.y()), "click", "1"});
        QTest::qWait(150);  // the event's round trip through the X server
    }
    // Spots spread across a control: its left end, middle and right end, a pixel inside.
    static std::vector<QPoint> across(QWidget* w) {
        const int y = w->height() / 2;
        return {{1, y}, {w->width() / 2, y}, {w->width() - 2, y}};
    }

    FakeMediaEngine engine;
    std::unique_ptr<QWidget> widget;
    qc::TWindowsMediaPlayer* player = nullptr;
};

// Left half red, right half blue, B G R X in memory.
std::vector<std::uint8_t> pattern(int w, int h) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w * h * 4));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = &px[static_cast<std::size_t>((y * w + x) * 4)];
            p[0] = x < w / 2 ? 0 : 255;
            p[1] = 0;
            p[2] = x < w / 2 ? 255 : 0;
            p[3] = 0;
        }
    return px;
}

}  // namespace

TEST_F(PlayerControl, PicturesArePaintedScaledInsideThePlayerAndBlackWithoutOne) {
    auto* video = player->findChild<qc::VideoSurface*>();
    ASSERT_NE(video, nullptr);
    ASSERT_NE(engine.sink(), nullptr);  // the session, which passes them on
    QImage none = video->grab().toImage();
    EXPECT_EQ(QColor(none.pixel(none.width() / 2, none.height() / 2)), QColor(Qt::black));
    play();
    auto px = pattern(160, 120);
    engine.sink()->picture(px.data(), 160, 120, 160 * 4);
    QImage shot = video->grab().toImage();
    const int cy = shot.height() / 2;
    EXPECT_GT(qRed(shot.pixel(shot.width() / 2 - 20, cy)), 200);
    EXPECT_GT(qBlue(shot.pixel(shot.width() / 2 + 20, cy)), 200);
    // Scaled to the height, kept 4:3: black bars at the sides.
    const int pictureWidth = shot.height() * 4 / 3;
    EXPECT_GT(qRed(shot.pixel((shot.width() - pictureWidth) / 2 + 3, cy)), 200);
    EXPECT_EQ(QColor(shot.pixel(2, cy)), QColor(Qt::black));
    engine.sink()->clearPicture();
    shot = video->grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(shot.width() / 2, cy)), QColor(Qt::black));
    // A frame whose rows are padded is read by its pitch.
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(200 * 4 * 120));
    for (int y = 0; y < 120; ++y)
        std::copy_n(&px[y * 160 * 4], 160 * 4, &padded[static_cast<std::size_t>(y * 200 * 4)]);
    engine.sink()->picture(padded.data(), 160, 120, 200 * 4);
    shot = video->grab().toImage();
    EXPECT_GT(qBlue(shot.pixel(shot.width() / 2 + 20, cy)), 200);
}

TEST_F(PlayerControl, OnlyTheLastOfABurstOfWritesReachesTheEngine) {
    for (int i = 0; i < 50; ++i) player->setUrl("http://tv.example/" + std::to_string(i) + ".wmv");
    player->setUrl(kFile);
    EXPECT_EQ(player->playState(), qc::kTransitioning);
    EXPECT_EQ(player->statusLine().toStdString(), qc::statusText(qc::PlayerStatus::Connecting));
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.opened, std::vector<std::string>{kFile});
    // An empty address stops at once, and what was written before it never starts.
    player->setUrl("http://tv.example/x.wmv");
    player->setUrl("");
    EXPECT_EQ(player->playState(), qc::kStopped);
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.opened, std::vector<std::string>{kFile});
}

TEST_F(PlayerControl, NothingInThePlayerIsANativeWindow) {
    play();
    auto px = pattern(160, 120);
    engine.sink()->picture(px.data(), 160, 120, 160 * 4);
    player->setFullScreen(qc::kControlTrue);
    QTest::qWait(100);
    player->setFullScreen(qc::kControlFalse);
    QTest::qWait(100);
    for (QWidget* w : player->findChildren<QWidget*>()) {
        EXPECT_FALSE(w->testAttribute(Qt::WA_NativeWindow)) << w->metaObject()->className();
        EXPECT_EQ(w->internalWinId(), 0u) << w->metaObject()->className();
    }
}

TEST_F(PlayerControl, AClickOnThePositionGrooveSeeksThereAndADragStillDoes) {
    play(500);
    auto* position = child<QSlider>("position");
    ASSERT_TRUE(position->isEnabled());
    const std::string slot = std::to_string(engine.slotOf(kFile));
    engine.log.clear();
    click(position, {position->width() * 3 / 4, position->height() / 2});
    auto seek =
        std::find_if(engine.log.begin(), engine.log.end(), [](const std::string& s) { return s.starts_with("seek"); });
    ASSERT_NE(seek, engine.log.end()) << "the click did not seek";
    const double where = std::stod(seek->substr(seek->rfind(' ')));
    EXPECT_NEAR(where, 0.75, 0.05);
    // A drag: pressed on the handle, moved, let go.
    engine.log.clear();
    QPoint from = position->mapToGlobal(QPoint(position->width() * 3 / 4, position->height() / 2));
    QPoint to = position->mapToGlobal(QPoint(position->width() / 4, position->height() / 2));
    QProcess::execute("xdotool", {"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                                  "mousemove", QString::number(to.x()), QString::number(to.y()), "mouseup", "1"});
    QTest::qWait(200);
    seek =
        std::find_if(engine.log.begin(), engine.log.end(), [](const std::string& s) { return s.starts_with("seek"); });
    ASSERT_NE(seek, engine.log.end()) << "the drag did not seek";
    EXPECT_NEAR(std::stod(seek->substr(seek->rfind(' '))), 0.25, 0.05);
}

TEST_F(PlayerControl, EveryControlAnswersClicksAnywhereOnItAfterPlaying) {
    play();
    auto* playPause = child<QToolButton>("playPause");
    auto* stop = child<QToolButton>("stop");
    auto* mute = child<QToolButton>("mute");
    auto* volume = child<QSlider>("volume");
    int answered = 0, tried = 0;
    for (QPoint at : across(playPause)) {
        ++tried;
        engine.log.clear();
        click(playPause, at);
        answered += !engine.log.empty() && engine.log.front().starts_with("pause");
        engine.event(kFile, Kind::Playing);  // as if the pause were undone
    }
    for (QPoint at : across(mute)) {
        ++tried;
        engine.log.clear();
        click(mute, at);
        answered += !engine.log.empty() && (engine.log.front() == "mute" || engine.log.front() == "unmute");
    }
    for (QPoint at : across(volume)) {
        ++tried;
        volume->setValue(at.x() < volume->width() / 2 ? 100 : 0);  // so that the click moves it
        const int before = volume->value();
        click(volume, at);
        answered += volume->value() != before;
    }
    for (QPoint at : across(stop)) {
        ++tried;
        play();
        click(stop, at);
        answered += player->playState() == qc::kStopped;
    }
    // Stopped, ▶ plays the address again, anywhere on it.
    for (QPoint at : across(playPause)) {
        ++tried;
        player->findChild<QToolButton*>("stop")->click();
        engine.opened.clear();
        click(playPause, at);
        answered += engine.opened == std::vector<std::string>{kFile};
    }
    EXPECT_EQ(answered, tried);
}

TEST_F(PlayerControl, TheStatusLineFollowsTheSession) {
    write(kFile);
    EXPECT_EQ(player->statusLine().toStdString(), qc::statusText(qc::PlayerStatus::Connecting));
    qc::EngineEvent b{Kind::Buffering};
    b.percent = 35;
    engine.event(kFile, b);
    EXPECT_EQ(player->statusLine().toStdString(), "正在缓冲 35%");
    play();
    EXPECT_EQ(player->statusLine().toStdString(), "正在播放");
    engine.lose();
    EXPECT_EQ(player->statusLine().toStdString(), "播放器出错，请重新选择。");
}
