// 激情电影: built into the bar but hidden as a whole; its five groups and closing entry are kept.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& filmsMenu() { return at({"激情电影"}); }

void forEachBelow(const qc::Entry& e, const std::function<void(const qc::Entry&)>& f) {
    for (const qc::Entry& c : e.children) {
        f(c);
        forEachBelow(c, f);
    }
}

}  // namespace

TEST(MenuN2, MenuIsHiddenAndHoldsFiveGroupsAndAClosingEntry) {
    const qc::Entry& menu = filmsMenu();
    EXPECT_EQ(menu.name, "N2");
    EXPECT_FALSE(menu.visible);
    EXPECT_EQ(menu.action, qc::Action::None);
    EXPECT_TRUE(menu.address.empty());

    const std::vector<std::string> captions = {"第一集", "第二集", "第三集", "第四集", "第五集", "待续..."};
    const std::vector<int> leaves = {30, 30, 30, 29, 30, 1};
    ASSERT_EQ(menu.children.size(), captions.size());
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const qc::Entry& c = menu.children[i];
        EXPECT_EQ(c.caption, captions[i]) << "child " << i;
        EXPECT_EQ(summarize(c).entries, leaves[i]) << c.caption;
        EXPECT_EQ(c.isGroup(), i < 5) << c.caption;
    }
    EXPECT_EQ(summarize(menu).entries, 150);
}

TEST(MenuN2, OnlyTheMenuItselfIsHidden) {
    // The menu's own flag hides everything; nothing inside carries a flag of its own.
    int entries = 0;
    forEachBelow(filmsMenu(), [&](const qc::Entry& e) {
        ++entries;
        EXPECT_TRUE(e.visible) << e.name << " " << e.caption;
    });
    EXPECT_EQ(entries, 155);  // 5 groups and 150 leaves
}

TEST(MenuN2, ClosingEntryIsItsOnlyLeafWithoutAction) {
    const qc::Entry& last = filmsMenu().children.back();
    EXPECT_EQ(last.caption, "待续...");
    EXPECT_FALSE(last.isGroup());
    EXPECT_EQ(last.action, qc::Action::None);
    EXPECT_TRUE(last.address.empty());

    int withoutAction = 0;
    forEachBelow(filmsMenu(), [&](const qc::Entry& e) {
        if (!e.isGroup() && e.action == qc::Action::None) ++withoutAction;
        if (e.isGroup()) EXPECT_EQ(e.action, qc::Action::None) << e.caption;
    });
    EXPECT_EQ(withoutAction, 1);
}

TEST(MenuN2, AddressesHaveTheFormsOfTheFilmMenus) {
    // Windows Media plays over mms, RealMedia is handed to the shell, as in the visible film menus.
    std::set<std::string> seen;
    int play = 0, browse = 0;
    for (std::size_t g = 0; g < 5; ++g) {
        for (const qc::Entry& e : filmsMenu().children[g].children) {
            ASSERT_FALSE(e.isGroup()) << e.caption;
            ASSERT_FALSE(e.address.empty()) << e.caption;
            EXPECT_TRUE(seen.insert(e.address).second) << "address used twice: " << e.address;
            const std::string scheme = addressScheme(e.address);
            const std::string type = addressType(e.address);
            if (e.action == qc::Action::Play) {
                ++play;
                EXPECT_EQ(scheme, "mms") << e.address;
                EXPECT_TRUE(type == "wmv" || type == "asf") << e.address;
            } else {
                ++browse;
                EXPECT_EQ(e.action, qc::Action::Browse) << e.caption;
                EXPECT_TRUE(scheme == "rtsp" || scheme == "http") << e.address;
                EXPECT_EQ(type, "rm") << e.address;
            }
        }
    }
    EXPECT_EQ(play + browse, 149);
    EXPECT_GT(play, 0);
    EXPECT_GT(browse, 0);
}
