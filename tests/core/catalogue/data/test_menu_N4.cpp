// 帮助: two player download pages, the maker's home page, and the About window.

#include <gtest/gtest.h>

#include "menu_summary.h"

using namespace qctest;

TEST(MenuN4, ItsItemsTheirNamesAndActions) {
    const qc::Entry& help = at({"帮助"});
    EXPECT_EQ(help.name, "N4");
    ASSERT_EQ(help.children.size(), 3u);
    const qc::Entry& software = at({"帮助", "必备软件"});
    EXPECT_EQ(software.name, "N5");
    ASSERT_EQ(software.children.size(), 2u);
    const qc::Entry& wmp = software.children[0];
    const qc::Entry& real = software.children[1];
    const qc::Entry& home = at({"帮助", "主页"});
    const qc::Entry& about = at({"帮助", "关于"});
    EXPECT_EQ(wmp.name + " " + wmp.caption, "WindowsMediaPlayer2 Windows Media Player");
    EXPECT_EQ(real.name + " " + real.caption, "RealOnePlayer1 RealOne Player");
    EXPECT_EQ(home.name, "N769");
    EXPECT_EQ(about.name, "N7");
    for (const qc::Entry* e : {&wmp, &real, &home}) {
        EXPECT_EQ(e->action, qc::Action::Browse) << e->caption;
        EXPECT_EQ(addressScheme(e->address), "http");
        // All on the maker's own site, the one the update descriptor comes from.
        EXPECT_EQ(e->address.rfind("http://www.qingchuan.example/", 0), 0u) << e->address;
    }
    EXPECT_NE(wmp.address, real.address);
    EXPECT_NE(wmp.address, home.address);
    EXPECT_EQ(about.action, qc::Action::About);
    EXPECT_TRUE(about.address.empty());
}
