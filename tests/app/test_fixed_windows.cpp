// The two fixed-size windows, the main window and the About window, on whatever desktop they run
// (tests/e2e runs this under openbox, xfwm4, weston with XWayland and weston's own Wayland): no
// maximise button that can't work, and a request to maximise, as a decoration's button sends it,
// leaves them as they were.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGuiApplication>
#include <QTest>
#include <QWindow>
#include <memory>

#include "app/form1.h"
#include "clips.h"
#include "fakes.h"
#include "form1_parts.h"
#include "help/form8.h"
#include "shared/caption_bar.h"

using namespace qctest;

namespace {

class FixedWindows : public ::testing::Test {
protected:
    void SetUp() override {
        form1 = std::make_unique<qc::TForm1>(shell, adapters.parts());
        form8 = std::make_unique<qc::TForm8>(shell);
        form1->attach(flash, games, *form8);
        form1->showCentred();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form1.get()));
        form8->showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form8.get()));
        QTest::qWait(300);  // the window manager's frame, or the compositor's first configure
    }
    std::vector<QWidget*> windows() { return {form1.get(), form8.get()}; }

    FakeShell shell;
    FakeFlash flash;
    FakeWindow games;
    Form1Adapters adapters;  // outlives the window
    std::unique_ptr<qc::TForm1> form1;
    std::unique_ptr<qc::TForm8> form8;
};

}  // namespace

TEST_F(FixedWindows, OfferOnlyMinimiseAndClose) {
    const bool wayland = QGuiApplication::platformName() == "wayland";
    for (QWidget* w : windows()) {
        SCOPED_TRACE(w->objectName().toStdString());
        // Under Wayland, Qt's own decoration (drawn inside the window's margins) always has a
        // maximise button: none may be drawn.
        if (wayland) {
            EXPECT_EQ(w->windowHandle()->frameMargins(), QMargins());
        }
        auto* bar = w->findChild<qc::CaptionBar*>();
        EXPECT_EQ(bar != nullptr, qc::desktopOffersDeadMaximise());
        if (!bar) continue;
        EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
        EXPECT_EQ(bar->geometry(), QRect(0, 0, w->width(), qc::CaptionBar::kHeight));
        EXPECT_TRUE(bar->isVisible());
        auto buttons = bar->findChildren<QAbstractButton*>();
        ASSERT_EQ(buttons.size(), 2);
        EXPECT_TRUE(buttons.contains(bar->minimiseButton()));
        EXPECT_TRUE(buttons.contains(bar->closeButton()));
        // A double-click on the caption maximises nothing.
        const QSize size = w->size();
        QTest::mouseDClick(bar, Qt::LeftButton, {}, QPoint(60, qc::CaptionBar::kHeight / 2));
        QTest::qWait(300);
        EXPECT_EQ(w->size(), size);
        EXPECT_FALSE(w->isMaximized());
    }
    // Below the caption, the client areas as designed.
    EXPECT_EQ(form1->centralWidget()->size(), QSize(588, 341));
    EXPECT_EQ(form8->findChild<QWidget*>("client")->size(), QSize(266, 196));
}

TEST_F(FixedWindows, AMaximiseRequestLeavesThemAsTheyWere) {
    for (QWidget* w : windows()) {
        SCOPED_TRACE(w->objectName().toStdString());
        const QSize size = w->size();
        // What a decoration's maximise button does. Under Wayland, a window that committed a
        // smaller picture than the maximised size it was given would be ended by the compositor.
        w->windowHandle()->setWindowStates(Qt::WindowMaximized);
        QTest::qWait(1000);
        EXPECT_EQ(w->size(), size);
        EXPECT_FALSE(w->isMaximized());
        EXPECT_TRUE(w->isVisible());
    }
}

TEST_F(FixedWindows, TheirOwnCaptionMinimisesAndCloses) {
    auto* bar = form8->findChild<qc::CaptionBar*>();
    if (!bar) GTEST_SKIP() << "the desktop's own frame, which offers no maximise, is there";
    bar->minimiseButton()->click();
    EXPECT_TRUE(waitUntil([&] { return form8->isMinimized(); }, 3000));
    form8->showNormal();
    bar->closeButton()->click();
    EXPECT_TRUE(waitUntil([&] { return !form8->isVisible(); }, 3000));
    EXPECT_TRUE(form1->isVisible());  // closing the About window ends nothing
}
