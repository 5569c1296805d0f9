// The main window built for real, with a recording shell in place of xdg-open.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <memory>

#include "app/form1.h"
#include "app/startup.h"
#include "clips.h"
#include "core/app/app_text.h"
#include "core/catalogue/catalogue.h"
#include "core/player/player_status.h"
#include "fakes.h"
#include "form1_parts.h"
#include "http_server.h"
#include "player/player_control.h"
#include "shared/guard.h"
#include "shared/picture.h"

using namespace qctest;

namespace {

class Form1Test : public ::testing::Test {
protected:
    void SetUp() override {
        flash.refuse = true;  // every game entry here is refused
        form = std::make_unique<qc::TForm1>(shell, adapters.parts());
        form->attach(flash, games, about);
        form->showCentred();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QAction* action(const char* name) {
        auto* a = form->menuBar()->findChild<QAction*>(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    // Clicks OK on the next message box and returns its caption and text.
    std::function<std::pair<QString, QString>()> answerNextBox() {
        auto seen = std::make_shared<std::pair<QString, QString>>();
        QTimer::singleShot(200, [seen] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    *seen = {box->windowTitle(), box->text()};
                    box->button(QMessageBox::Ok)->click();
                }
        });
        return [seen] { return *seen; };
    }

    FakeShell shell;
    FakeWindow games, about;
    FakeFlash flash;
    qctest::Form1Adapters adapters;  // outlives the window
    std::unique_ptr<qc::TForm1> form;
};

// The menus as built, in the catalogue's listing notation: depth, caption.
void collect(const QMenu* menu, int depth, std::vector<std::string>& out) {
    for (QAction* a : menu->actions()) {
        if (!a->isVisible()) continue;
        out.push_back(std::to_string(depth) + " " + a->text().toStdString());
        if (a->menu()) collect(a->menu(), depth + 1, out);
    }
}

void collect(const qc::Entry& e, int depth, std::vector<std::string>& out) {
    if (!e.visible) return;
    out.push_back(std::to_string(depth) + " " + e.caption);
    for (const qc::Entry& c : e.children) collect(c, depth + 1, out);
}

}  // namespace

TEST_F(Form1Test, CaptionAndFixedClientArea) {
    EXPECT_EQ(form->windowTitle().toStdString(), qc::kMainCaption);
    EXPECT_EQ(form->centralWidget()->size(), QSize(588, 341));
    EXPECT_EQ(form->centralWidget()->y(), form->menuBar()->height());
    EXPECT_EQ(form->minimumSize(), form->maximumSize());  // the frame can't be dragged
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    QRect screen = form->screen()->availableGeometry();
    EXPECT_LE(std::abs(form->geometry().center().x() - screen.center().x()), 1);
}

// All ten captions share one row of the 588-pixel bar: no overflow button, no second row.
TEST_F(Form1Test, MenuBarIsOneRowOfTenCaptions) {
    QMenuBar* bar = form->menuBar();
    std::vector<QAction*> shown;
    for (QAction* a : bar->actions())
        if (a->isVisible()) shown.push_back(a);
    ASSERT_EQ(shown.size(), 10u);
    int right = 0;
    for (QAction* a : shown) {
        QRect r = bar->actionGeometry(a);
        EXPECT_EQ(r.y(), bar->actionGeometry(shown.front()).y()) << a->text().toStdString();
        EXPECT_GE(r.x(), right) << a->text().toStdString();
        EXPECT_LE(r.right(), bar->width()) << a->text().toStdString();
        EXPECT_GE(r.width(), bar->fontMetrics().horizontalAdvance(a->text())) << a->text().toStdString();
        right = r.right();
    }
    EXPECT_FALSE(bar->findChild<QToolButton*>("qt_menubar_ext_button", Qt::FindDirectChildrenOnly) &&
                 bar->findChild<QToolButton*>("qt_menubar_ext_button", Qt::FindDirectChildrenOnly)->isVisible());
    EXPECT_LE(bar->height(), 2 * bar->fontMetrics().height());
}

TEST_F(Form1Test, ControlsAtTheirPlacesInStackingOrder) {
    QWidget* client = form->centralWidget();
    std::vector<std::string> order;
    for (QObject* o : client->children())
        if (auto* w = qobject_cast<QWidget*>(o)) order.push_back(w->objectName().toStdString());
    EXPECT_EQ(order, (std::vector<std::string>{"Image1", "Image3", "Image6", "m", "Panel1"}));
    EXPECT_EQ(form->Image1->geometry(), QRect(0, 0, 588, 341));
    EXPECT_EQ(form->Image3->geometry(), QRect(496, 308, 65, 33));
    EXPECT_EQ(form->Image6->geometry(), QRect(400, 6, 70, 20));
    EXPECT_EQ(form->Panel1->geometry(), QRect(8, 34, 391, 307));
    EXPECT_EQ(form->Image4->geometry(), QRect(0, 263, 17, 41));
    EXPECT_EQ(form->Image5->geometry(), QRect(376, 264, 17, 41));
    EXPECT_EQ(form->WindowsMediaPlayer1->geometry(), QRect(1, 1, 389, 305));
    EXPECT_EQ(form->Image1->pixmap().size(), QSize(588, 356));  // clipped to its box
    // The memo lies wholly below the client area, whatever it holds.
    form->m->setPlainText("1.31\r\nsomething long enough to wrap over several lines of the memo");
    EXPECT_FALSE(client->rect().intersects(form->m->geometry()));
    EXPECT_TRUE(form->m->visibleRegion().isEmpty());
}

TEST_F(Form1Test, MenuBarShowsExactlyTheVisibleCatalogue) {
    std::vector<std::string> built, wanted;
    QMenuBar* bar = form->menuBar();
    int top = 0;
    for (QAction* a : bar->actions()) {
        if (!a->isVisible()) continue;
        ++top;
        built.push_back("1 " + a->text().toStdString());
        collect(a->menu(), 2, built);
    }
    for (const qc::Entry& m : qc::Catalogue::builtIn().menus()) collect(m, 1, wanted);
    EXPECT_EQ(top, 10);
    EXPECT_EQ(built, wanted);
    // All ten fit: no overflow button, and nothing gets an access letter.
    auto* more = bar->findChild<QToolButton*>("qt_menubar_ext_button");
    EXPECT_TRUE(!more || !more->isVisible());
    for (QAction* a : bar->findChildren<QAction*>()) {
        EXPECT_FALSE(a->text().contains('&')) << a->text().toStdString();
        EXPECT_TRUE(a->shortcut().isEmpty());
    }
    EXPECT_EQ(bar->findChild<QAction*>("ty1"), nullptr);  // hidden: never built
}

TEST_F(Form1Test, EntriesDoTheirActions) {
    auto* player = form->WindowsMediaPlayer1;
    action("N769")->trigger();  // 帮助 › 主页
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://www.qingchuan.example/"});
    action("N7")->trigger();  // 帮助 › 关于
    EXPECT_EQ(about.shown, 1);
    // A play entry starts the player; here no host can be reached, and the status says so.
    action("ty27")->trigger();  // 免费体验 › CCTV-5
    EXPECT_NE(player->playState(), qc::kUndefined);
    EXPECT_TRUE(waitUntil([&] { return player->playState() == qc::kStopped; }, 8000));
    EXPECT_NE(player->statusLine(), "");
    EXPECT_NE(player->statusLine(), QString::fromStdString(qc::statusText(qc::PlayerStatus::Playing)));
    // A leaf without action changes nothing.
    QString status = player->statusLine();
    action("ty38")->trigger();  // ------------
    action("dt81")->trigger();  // 待续....
    EXPECT_EQ(player->statusLine(), status);
    EXPECT_EQ(shell.opened.size(), 1u);
}

// Chosen the way a user does, from the open menus with the keyboard and with the mouse: each
// choice acts exactly once.
TEST_F(Form1Test, AnItemChosenInItsOpenMenuActsOnce) {
    auto* help = form->menuBar()->findChild<QMenu*>("N4");
    ASSERT_NE(help, nullptr);
    help->popup(form->mapToGlobal(QPoint(500, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    help->setActiveAction(action("N769"));  // 主页
    QTest::keyClick(help, Qt::Key_Return);
    EXPECT_EQ(shell.opened, std::vector<std::string>{"http://www.qingchuan.example/"});
    EXPECT_FALSE(help->isVisible());

    help->popup(form->mapToGlobal(QPoint(500, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    QTest::mouseClick(help, Qt::LeftButton, {}, help->actionGeometry(action("N769")).center());
    EXPECT_EQ(shell.opened.size(), 2u);
    QTest::qWait(100);
    EXPECT_EQ(shell.opened.size(), 2u);
}

TEST_F(Form1Test, AnErrorInAHandlerIsShownAndTheProgramGoesOn) {
    qc::setApplicationTitle("qingchuan");
    qc::Entry game;
    game.name = "g";
    game.caption = "g";
    game.action = qc::Action::Game;
    game.address = "http://games.example.com/x.swf";
    qc::Dispatcher d({*form->WindowsMediaPlayer1, shell, flash, games, about});
    auto box = answerNextBox();
    qc::guarded([&] { d.choose(game); });
    EXPECT_EQ(box().first, "qingchuan");
    EXPECT_EQ(box().second, "The control refused the movie.");
    EXPECT_EQ(games.shown, 0);  // the window is not shown after a refused movie
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, TheTimerTicksOnceAndTheFullScreenToggleWaitsForPlayback) {
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    EXPECT_TRUE(waitUntil([&] { return !form->Timer1->isActive(); }, 3000));
    QTest::qWait(1200);
    EXPECT_FALSE(form->Timer1->isActive());
    // Not playing: the picture button does nothing.
    QTest::mouseClick(form->Image6, Qt::LeftButton);
    EXPECT_EQ(form->WindowsMediaPlayer1->fullScreen(), qc::kControlFalse);
}

TEST_F(Form1Test, ClosingTheMainWindowEndsTheProgram) {
    QTimer::singleShot(100, form.get(), [this] { form->close(); });
    QTimer failsafe;
    failsafe.setSingleShot(true);
    bool timedOut = false;
    QObject::connect(&failsafe, &QTimer::timeout, [&] {
        timedOut = true;
        QApplication::exit(3);
    });
    failsafe.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(timedOut);
}

TEST_F(Form1Test, AFailedStartUpShowsTheApplicationErrorBox) {
    auto box = answerNextBox();
    int rc = qc::reportStartupFailure(std::runtime_error("The media player component could not be created"),
                                      "/opt/qingchuan/bin/qingchuan", reinterpret_cast<const void*>(0x1234));
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(box().first, "Application Error");
    EXPECT_TRUE(box().second.startsWith("Exception std::runtime_error in module qingchuan at "))
        << box().second.toStdString();
    EXPECT_TRUE(box().second.endsWith("0001234.\nThe media player component could not be created."));
}

// Real clicks of the X server's pointer spread across each transport control of the main
// window's player, after a first play and after Stop: every one answers, so nothing (the picture
// strips beside the player, a window of the engine's) covers the bar.
TEST_F(Form1Test, EveryTransportControlAnswersClicksAcrossItAfterPlaying) {
    HttpServer server;
    server.route("/clip.wmv", {200, "video/x-ms-wmv", makeClip(30)});
    qc::TWindowsMediaPlayer* player = form->WindowsMediaPlayer1;
    auto state = [&] { return player->playState(); };
    player->setUrl(server.url("/clip.wmv"));
    ASSERT_TRUE(waitUntil([&] { return state() == qc::kPlaying; }, 15000)) << player->statusLine().toStdString();
    auto* playPause = player->findChild<QToolButton*>("playPause");
    auto* stop = player->findChild<QToolButton*>("stop");
    auto* mute = player->findChild<QToolButton*>("mute");
    auto* volume = player->findChild<QSlider*>("volume");
    auto* position = player->findChild<QSlider*>("position");
    ASSERT_TRUE(playPause && stop && mute && volume && position);
    ASSERT_TRUE(waitUntil([&] { return position->isEnabled(); }, 5000)) << "not seekable";
    auto click = [](QWidget* w, int x) {
        QPoint g = w->mapToGlobal(QPoint(x, w->height() / 2));
        QProcess::execute("xdotool", {"mousemove", QString::number(g.x()), QString::number(g.y()), "click", "1"});
    };
    auto across = [](QWidget* w, int n) {
        std::vector<int> xs;
        for (int i = 0; i < n; ++i) xs.push_back(1 + (w->width() - 3) * i / (n - 1));
        return xs;
    };
    int tried = 0, answered = 0;
    std::vector<std::string> dead;
    auto judge = [&](const char* what, int x, bool ok) {
        ++tried;
        answered += ok;
        if (!ok) dead.push_back(std::string(what) + " at " + std::to_string(x));
    };
    for (int x : across(playPause, 5)) {  // pause, play, pause, ...
        const int before = state();
        click(playPause, x);
        judge(
            "play/pause", x,
            waitUntil([&] { return state() != before && (state() == qc::kPaused || state() == qc::kPlaying); }, 3000));
    }
    if (state() == qc::kPaused) playPause->click();
    ASSERT_TRUE(waitUntil([&] { return state() == qc::kPlaying; }, 5000));
    for (int x : across(mute, 3)) {
        const qint64 icon = mute->icon().cacheKey();
        click(mute, x);
        judge("mute", x, waitUntil([&] { return mute->icon().cacheKey() != icon; }, 2000));
    }
    for (int x : across(volume, 5)) {
        volume->setValue(x < volume->width() / 2 ? 100 : 0);  // so that the click moves it
        const int before = volume->value();
        click(volume, x);
        judge("volume", x, waitUntil([&] { return volume->value() != before; }, 2000));
    }
    for (int x : {position->width() / 10, position->width() * 4 / 5, position->width() / 3}) {
        const int want = 1000 * x / position->width();
        click(position, x);
        judge("position", x, waitUntil([&] { return std::abs(position->value() - want) < 120; }, 3000));
    }
    for (int x : across(stop, 3)) {
        click(stop, x);
        judge("stop", x, waitUntil([&] { return state() == qc::kStopped; }, 2000));
        click(playPause, playPause->width() * (x + 1) / (stop->width() + 1));  // after Stop, ▶ plays again
        judge("play after stop", x, waitUntil([&] { return state() == qc::kPlaying; }, 10000));
    }
    EXPECT_EQ(answered, tried) << "dead: " << ::testing::PrintToString(dead);
}
