// Menus of the catalogue as the user meets them in the real main window.

#include <gtest/gtest.h>

#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <memory>

#include "app/form1.h"
#include "clips.h"
#include "core/catalogue/catalogue.h"
#include "fakes.h"
#include "form1_parts.h"
#include "player/player_control.h"

using namespace qctest;

namespace {

class MenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<qc::TForm1>(shell, adapters.parts());
        form->attach(flash, window, window);
        form->showCentred();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QMenu* menu(const char* name) {
        auto* m = form->menuBar()->findChild<QMenu*>(name);
        EXPECT_NE(m, nullptr) << name;
        return m;
    }
    QAction* action(const char* name) {
        auto* a = form->menuBar()->findChild<QAction*>(name);
        EXPECT_NE(a, nullptr) << name;
        return a;
    }
    // The designer name of the entry at a path of captions.
    static const char* nameAt(std::initializer_list<std::string_view> path) {
        const qc::Entry* e = nullptr;
        const std::vector<qc::Entry>* level = &qc::Catalogue::builtIn().menus();
        for (std::string_view caption : path) {
            e = nullptr;
            for (const qc::Entry& c : *level)
                if (c.caption == caption) {
                    e = &c;
                    break;
                }
            if (!e) return "";
            level = &e->children;
        }
        return e->name.c_str();
    }

    FakeShell shell;
    FakeFlash flash;
    FakeWindow window;
    qctest::Form1Adapters adapters;  // outlives the window
    std::unique_ptr<qc::TForm1> form;
};

int visibleItems(QMenu* m) {
    int n = 0;
    for (QAction* a : m->actions()) n += a->isVisible();
    return n;
}

}  // namespace

TEST_F(MenusTest, InternetTvShowsEightChildrenAndNoAdultChannels) {
    QMenu* tv = menu("z1");
    ASSERT_NE(tv, nullptr);
    EXPECT_EQ(visibleItems(tv), 8);
    QStringList captions;
    for (QAction* a : tv->actions()) captions << a->text();
    EXPECT_FALSE(captions.contains("成人电视台"));
    EXPECT_EQ(captions.indexOf("网络电视台") + 1, captions.indexOf("靓MM聊天台"));
    // Nothing of the hidden group was built, so nothing of it can be reached.
    const qc::Entry* adult = nullptr;
    for (const qc::Entry& c : qc::Catalogue::builtIn().find("z1")->children)
        if (c.caption == "成人电视台") adult = &c;
    ASSERT_NE(adult, nullptr);
    EXPECT_EQ(form->menuBar()->findChild<QObject*>(QString::fromStdString(adult->name)), nullptr);
    for (const qc::Entry& c : adult->children)
        EXPECT_EQ(form->menuBar()->findChild<QObject*>(QString::fromStdString(c.name)), nullptr);
}

TEST_F(MenusTest, AStationWithoutAddressLeavesThePlayerStoppedWithNothingShown) {
    auto* player = form->WindowsMediaPlayer1;
    action(nameAt({"网络电视", "大陆电视台", "北京市", "北京1台"}))->trigger();
    EXPECT_EQ(player->playState(), qc::kStopped);
    QTest::qWait(300);
    EXPECT_EQ(player->playState(), qc::kStopped);
    // 大汉天子: 第8集 starts the player on its address, 第9集 has nothing to play.
    action(nameAt({"电视剧", "大汉天子", "第8集"}))->trigger();
    EXPECT_EQ(player->playState(), qc::kTransitioning);
    action(nameAt({"电视剧", "大汉天子", "第9集"}))->trigger();
    EXPECT_EQ(player->playState(), qc::kStopped);
}

TEST_F(MenusTest, OpeningTheGroup金牌间谍HandsItsPageToTheShellAtEveryOpening) {
    const char* name = nullptr;
    const qc::Entry* group = nullptr;
    for (const qc::Entry& c : qc::Catalogue::builtIn().find(nameAt({"在线电影", "动作片", "A影院"}))->children)
        if (c.caption == "金牌间谍" && c.isGroup()) group = &c;
    ASSERT_NE(group, nullptr);
    name = group->name.c_str();
    QMenu* sub = menu(name);
    ASSERT_NE(sub, nullptr);
    QMenu* parent = menu(nameAt({"在线电影", "动作片", "A影院"}));
    ASSERT_NE(parent, nullptr);
    QMenu* films = menu("x1");
    // Open 在线电影 › 动作片 › A影院, then the group's own sub-menu, twice, choosing nothing.
    for (int i = 1; i <= 2; ++i) {
        films->popup(form->mapToGlobal(QPoint(100, 0)));
        QMenu* genre = menu(nameAt({"在线电影", "动作片"}));
        genre->popup(films->geometry().topRight());
        parent->popup(genre->geometry().topRight());
        sub->popup(parent->geometry().topRight());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(sub));
        EXPECT_EQ(shell.opened.size(), static_cast<size_t>(i));
        sub->close();
        parent->close();
        genre->close();
        films->close();
        QTest::qWait(50);
    }
    EXPECT_EQ(shell.opened[0], group->address);
    EXPECT_EQ(shell.opened[1], group->address);
    // A part then does its own action as well.
    action(group->children[0].name.c_str())->trigger();
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(shell.opened[2], group->children[0].address);
}

TEST_F(MenusTest, LongMenusScrollInOneColumn) {
    QMenu* episodes = menu(nameAt({"电视剧", "灌篮高手"}));
    ASSERT_NE(episodes, nullptr);
    EXPECT_EQ(visibleItems(episodes), 101);
    episodes->popup(form->mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(episodes));
    // One column: every item starts at the same x, and the menu fits on the screen.
    QList<QAction*> items = episodes->actions();
    int x = episodes->actionGeometry(items.first()).x();
    for (QAction* a : items) EXPECT_EQ(episodes->actionGeometry(a).x(), x);
    EXPECT_LE(episodes->height(), episodes->screen()->geometry().height());
    episodes->close();
}
