// The Help menu and the About window in the real main window.

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QTest>
#include <memory>

#include "app/form1.h"
#include "clips.h"
#include "fakes.h"
#include "form1_parts.h"
#include "help/form8.h"
#include "http_server.h"
#include "player/player_control.h"

using namespace qctest;

namespace {

class HelpTest : public ::testing::Test {
protected:
    void SetUp() override {
        form1 = std::make_unique<qc::TForm1>(shell, adapters.parts());
        form8 = std::make_unique<qc::TForm8>(shell);
        form1->attach(flash, games, *form8);
        form1->showCentred();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
    }
    void choose(const char* name) {
        QAction* a = form1->menuBar()->findChild<QAction*>(name);
        ASSERT_NE(a, nullptr) << name;
        a->trigger();
    }
    int visibleAboutWindows() {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += w->objectName() == "Form8" && w->isVisible();
        return n;
    }

    FakeShell shell;
    FakeFlash flash;
    FakeWindow games;
    qctest::Form1Adapters adapters;  // outlives the window
    std::unique_ptr<qc::TForm1> form1;
    std::unique_ptr<qc::TForm8> form8;
};

}  // namespace

TEST_F(HelpTest, AboutWindowAsDesigned) {
    choose("N7");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form8.get()));
    EXPECT_EQ(form8->windowTitle(), "关于");
    EXPECT_EQ(form8->size(), QSize(266, 196));
    EXPECT_EQ(form8->minimumSize(), form8->maximumSize());
    EXPECT_EQ(form8->pos(), QPoint(310, 109));
    EXPECT_FALSE(form8->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form8->windowFlags() & Qt::WindowMinimizeButtonHint);
    struct Want {
        QLabel* label;
        QPoint at;
        int height;
    };
    for (Want w :
         {Want{form8->Label3, {72, 16}, 16}, Want{form8->Label1, {32, 48}, 13}, Want{form8->Label4, {32, 96}, 13},
          Want{form8->Label5, {32, 120}, 13}, Want{form8->Label6, {32, 144}, 13}, Want{form8->Label7, {8, 168}, 13}}) {
        SCOPED_TRACE(w.label->objectName().toStdString());
        EXPECT_EQ(w.label->pos(), w.at);
        EXPECT_GE(w.label->height(), w.height);
        // Sized to its own text in the font the window really uses, and whole inside the window.
        EXPECT_EQ(w.label->width(), w.label->sizeHint().width());
        EXPECT_GE(w.label->width(), QFontMetrics(w.label->font()).horizontalAdvance(w.label->text()));
        constexpr int margin = 4;
        EXPECT_LE(w.label->geometry().right(), form8->width() - 1 - margin);
        EXPECT_LE(w.label->geometry().bottom(), form8->height() - 1 - margin);
    }
    EXPECT_EQ(form8->Label3->text(), "晴川影音同乐会            ");
    EXPECT_TRUE(form8->Label3->font().underline());
    EXPECT_EQ(form8->Label3->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_EQ(form8->Label7->text(), "请实时升级更新，更多精彩频道等着你。            ");
    EXPECT_EQ(form8->Label7->palette().color(QPalette::WindowText), QColor(128, 0, 0));
    EXPECT_EQ(form8->Label6->palette().color(QPalette::WindowText), QColor(Qt::black));
    EXPECT_TRUE(form8->Label5->text().contains(qc::kMakerMail));
    EXPECT_FALSE(form8->Label5->font().underline());
    EXPECT_EQ(form8->Label5->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(HelpTest, AboutTwiceIsOneWindowThatComesBackWhereItWas) {
    choose("N7");
    choose("N7");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form8.get()));
    EXPECT_EQ(visibleAboutWindows(), 1);
    form8->move(420, 260);
    QTest::qWait(50);
    QPoint where = form8->pos();
    form8->close();
    EXPECT_FALSE(form8->isVisible());
    EXPECT_TRUE(form1->isVisible());  // closing it ends nothing
    choose("N7");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form8.get()));
    EXPECT_EQ(form8->pos(), where);
    EXPECT_EQ(visibleAboutWindows(), 1);
}

TEST_F(HelpTest, OnlyTheMailLineReactsToAClick) {
    choose("N7");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form8.get()));
    for (QLabel* l : {form8->Label3, form8->Label1, form8->Label4, form8->Label6, form8->Label7})
        QTest::mouseClick(l, Qt::LeftButton);
    QTest::mouseClick(form8.get(), Qt::LeftButton, {}, QPoint(200, 5));
    EXPECT_TRUE(shell.opened.empty());
    QTest::mouseClick(form8->Label5, Qt::LeftButton);
    EXPECT_EQ(shell.opened, std::vector<std::string>{std::string("mailto:") + qc::kMakerMail});
}

TEST_F(HelpTest, HelpItemsOpenTheirPagesAndLeaveThePlayerPlaying) {
    HttpServer server;
    server.route("/clip.wmv", {200, "video/x-ms-wmv", makeClip(8)});
    auto* player = form1->WindowsMediaPlayer1;
    player->setUrl(server.url("/clip.wmv"));
    ASSERT_TRUE(waitUntil([&] { return player->playState() == qc::kPlaying; }, 15000));
    choose("WindowsMediaPlayer2");
    choose("RealOnePlayer1");
    choose("N769");
    choose("N7");
    QTest::qWait(300);
    EXPECT_EQ(player->playState(), qc::kPlaying);
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(shell.opened[2], "http://www.qingchuan.example/");
    EXPECT_NE(shell.opened[0], shell.opened[1]);
}
