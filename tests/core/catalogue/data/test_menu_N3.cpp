// 免费体验: live channels and clips, with most of its older entries hidden.

#include <gtest/gtest.h>

#include <functional>

#include "menu_summary.h"

using namespace qctest;

TEST(MenuN3, DirectChildrenMatchTheirTable) {
    expectChildren(at({"免费体验"}), {
                                         {"CCTV新闻频道", 3, "", "", ""},
                                         {"CCTV-1", 4, "", "", ""},
                                         {"凤凰卫视咨讯台", 5, "", "", ""},
                                         {"凤凰卫视咨讯台", 1, "", "", ""},
                                         {"台湾华娱卫台", 1, "", "", ""},
                                         {"南京影视频道", 3, "", "", ""},
                                         {"南京18频道", 3, "", "", ""},
                                         {"新卫视卡通台", 1, "", "", ""},
                                         {"CCTV-5", 1, "P 1", "mmst 1", "(none) 1"},
                                         {"阳光卫视", 2, "P 2", "mms 1, mmst 1", "(none) 2"},
                                         {"TVB8 频道", 1, "P 1", "mmst 1", "(none) 1"},
                                         {"奥亚电视频道", 1, "P 1", "mms 1", "(none) 1"},
                                         {"东莞电视台", 1, "P 1", "mms 1", "(none) 1"},
                                         {"江苏体育台", 1, "P 1", "mms 1", "(none) 1"},
                                         {"YES 音乐台", 1, "P 1", "mms 1", "(none) 1"},
                                         {"韩国KTV电视台", 1, "P 1", "http 1", "asx 1"},
                                         {"法国时尚频道", 1, "P 1", "mmst 1", "(none) 1"},
                                         {"Arirang卫视", 1, "", "", ""},
                                         {"------------", 1, "- 1", "", ""},
                                         {"小品相声", 2, "P 2", "mms 2", "wmv 2"},
                                         {"世界小姐总决赛", 1, "P 1", "mms 1", "wmv 1"},
                                         {"复旦大学靓MM", 1, "P 1", "http 1", "asf 1"},
                                         {"神经花园", 1, "P 1", "http 1", "wmv 1"},
                                         {"老鼠爱上猫", 1, "P 1", "http 1", "wmv 1"},
                                         {"弹 球   (游戏)", 1, "", "", ""},
                                         {"滑板女孩(游戏)", 1, "", "", ""},
                                         {"心理测验(游戏)", 1, "", "", ""},
                                     });
}

TEST(MenuN3, FifteenEntriesShowAtTheFirstLevel) {
    const qc::Entry& menu = at({"免费体验"});
    int shown = 0, hiddenEntries = 0;
    for (const qc::Entry& c : menu.children) shown += c.visible;
    qc::Catalogue::builtIn().forEach([&](const qc::Entry& e, int) { hiddenEntries += !e.visible; });
    EXPECT_EQ(shown, 15);
    // Both 凤凰卫视咨讯台 (a group and a leaf) are hidden.
    EXPECT_FALSE(at({"免费体验", "凤凰卫视咨讯台#1"}).visible);
    EXPECT_TRUE(at({"免费体验", "凤凰卫视咨讯台#1"}).isGroup());
    EXPECT_FALSE(at({"免费体验", "凤凰卫视咨讯台#2"}).visible);
    EXPECT_FALSE(at({"免费体验", "凤凰卫视咨讯台#2"}).isGroup());
    // Sixteen of the catalogue's hidden entries lie in this menu.
    int hiddenHere = 0;
    std::function<void(const qc::Entry&)> count = [&](const qc::Entry& e) {
        hiddenHere += !e.visible;
        for (const qc::Entry& c : e.children) count(c);
    };
    count(menu);
    EXPECT_EQ(hiddenHere, 16);
}

TEST(MenuN3, LeavesWithoutActionAndInnerBlanks) {
    EXPECT_EQ(at({"免费体验", "------------"}).action, qc::Action::None);
    EXPECT_TRUE(at({"免费体验", "------------"}).address.empty());
    for (auto caption : {"TVB8 频道", "YES 音乐台"}) EXPECT_TRUE(at({"免费体验", caption}).visible);
    EXPECT_EQ(at({"免费体验", "小品相声", "激 情 依 旧"}).action, qc::Action::Play);
    EXPECT_EQ(at({"免费体验", "韩国KTV电视台"}).name, "KTV1");
}
