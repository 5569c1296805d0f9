// 免费电台: radio stations by region.

#include <gtest/gtest.h>

#include <set>

#include "menu_summary.h"

using namespace qctest;

TEST(MenuN10, DirectChildrenMatchTheirTable) {
    expectChildren(at({"免费电台"}), {
                                         {"港台电台", 7, "P 7", "http 7", "(none) 3, asx 2, query 2"},
                                         {"上海电台", 11, "P 11", "http 11", "asx 11"},
                                         {"广东电台", 8, "P 8", "mms 5, http 3", "(none) 6, asx 2"},
                                         {"浙江电台", 3, "P 3", "mms 3", "(none) 3"},
                                         {"江苏电台", 9, "P 8, - 1", "mms 5, http 3", "(none) 5, asp 2, wma 1"},
                                         {"陕西电台", 8, "P 8", "mms 8", "(none) 8"},
                                         {"湖南电台", 4, "P 4", "mms 4", "(none) 4"},
                                         {"广西电台", 4, "P 4", "mms 4", "(none) 4"},
                                         {"江西电台", 3, "P 3", "mms 3", "(none) 3"},
                                         {"吉林电台", 4, "P 4", "mms 4", "(none) 4"},
                                         {"安徽电台", 3, "P 3", "mms 3", "(none) 3"},
                                         {"北京文艺台", 1, "P 1", "mms 1", "(dir) 1"},
                                         {"湖北电台", 1, "P 1", "mms 1", "(none) 1"},
                                         {"重庆音乐台", 1, "P 1", "mms 1", "(none) 1"},
                                         {"音乐八卦(晚)", 1, "P 1", "mms 1", "(none) 1"},
                                         {"日本电台", 1, "P 1", "http 1", "asx 1"},
                                         {"待续....", 1, "- 1", "", ""},
                                     });
}

TEST(MenuN10, StationsThatShareAnAddress) {
    EXPECT_EQ(at({"免费电台", "上海电台", "东方流行音乐频率"}).address,
              at({"免费电台", "上海电台", "东方电台动感101"}).address);
    EXPECT_EQ(at({"免费电台", "陕西电台", "西安音乐台"}).address, at({"免费电台", "湖北电台"}).address);
    // Every other station has its own address.
    std::set<std::string> distinct;
    auto leaves = visibleLeaves(at({"免费电台"}));
    int plays = 0;
    for (const qc::Entry* e : leaves)
        if (e->action == qc::Action::Play) {
            ++plays;
            distinct.insert(e->address);
        }
    EXPECT_EQ(plays, 68);
    EXPECT_EQ(distinct.size(), 66u);
}

TEST(MenuN10, StationsWithoutAction) {
    EXPECT_EQ(at({"免费电台", "江苏电台", "张家港交通音乐频道"}).action, qc::Action::None);
    EXPECT_EQ(at({"免费电台", "待续...."}).action, qc::Action::None);
    // The only mms address with a port and "/" is 北京文艺台's server.
    EXPECT_EQ(addressType(at({"免费电台", "北京文艺台"}).address), "(dir)");
}
