// 综艺频道: concerts, shows and clips. Windows Media plays in the player, RealMedia goes to the shell.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& varietyMenu() { return at({"综艺频道"}); }

const qc::Entry* childNamed(const qc::Entry& from, std::string_view path) {
    const qc::Entry* e = &from;
    std::size_t start = 0;
    const std::string_view sep = " › ";
    while (true) {
        const std::size_t end = path.find(sep, start);
        const std::string_view part = path.substr(start, end == std::string_view::npos ? end : end - start);
        const qc::Entry* next = nullptr;
        for (const qc::Entry& c : e->children)
            if (c.caption == part) {
                next = &c;
                break;
            }
        if (!next) return nullptr;
        e = next;
        if (end == std::string_view::npos) return e;
        start = end + sep.size();
    }
}

}  // namespace

TEST(MenuN1, DirectChildrenMatchTheirTable) {
    EXPECT_TRUE(varietyMenu().visible);
    EXPECT_EQ(varietyMenu().name, "N1");
    // 第二集's five play entries without address count as "(empty)" types.
    expectChildren(varietyMenu(),
                   {
                       {"演唱会", 13, "B 12, P 1", "http 8, rtsp 4, mms 1", "rm 10, rmvb 2, wmv 1"},
                       {"第一集", 24, "P 24", "mms 14, http 10", "wmv 18, asf 4, asx 1, wma 1"},
                       {"第二集", 22, "P 16, B 6", "http 16, mms 1", "wmv 10, rm 5, asf 1, rmvb 1, (empty) 5"},
                       {"第三集", 7, "B 7", "http 5, rtsp 2", "rm 7"},
                       {"待续...", 1, "- 1", "", ""},
                   });
    const Summary all = summarize(varietyMenu());
    EXPECT_EQ(all.entries, 67);
    EXPECT_EQ(all.kinds, counts("P 41, B 25, - 1"));
}

TEST(MenuN1, GroupsListTheirEntriesInOrder) {
    struct Listed {
        std::string path, entries;
    };
    const std::vector<Listed> listed = {
        {"演唱会",
         "后街男孩奥兰多演唱会 [B] · 王菲演唱会 [B] · 李纹COCO演唱会 [B] · 陈慧琳演唱会 [B] · 齐秦_雪域高原演唱会 [B] "
         "· 和蔡依林视频演唱 [B] · 蔡依林演唱会(台北 [B] · 迈克杰克逊-演唱会劲舞 [B] · [娱乐现场]麦当娜演唱会 [P] · "
         "张国荣85年第一场演唱会 [B] · Beyond超越阿拉伯演唱会 [B] · Beyond马来西亚演唱会 [B] · Beyond北京演唱会 [B]"},
        {"第一集",
         "麦当娜性感演唱会 [P] · 谢霆峰世纪演唱会 [P] · 韩国美女TBC演唱会 [P] · 华视金钻2003群星跨年晚会 [P] · "
         "张学友张信哲歌迷见面会 [P] · 第五界中韩歌友会完全版 [P] · 王菲上海演唱会 [P] · 李玟台北演唱会 [P] · "
         "谢霆锋MTV [P] · S.H.E-MTV:五天四夜 [P] · 舒淇刘烨精彩出演 [P] · 台湾娱乐节目1 [P] · 台湾搞笑节目2 [P] · "
         "第53届中国小姐总结赛 [P] · 台湾带色搞笑!精品 [P] · 我爸爸 相声 [P] · 各國佳麗展現魅力 [P] · 陶晶莹献胸表演 "
         "[P] · 韩国辣妹劲舞 [P] · 贞子热舞 [P] · 唱歌３分钟不换气 [P] · 孙燕姿超级搞笑表演合辑 [P] · 男子12乐坊 [P] · "
         "综艺节目里S.H.E [P]"},
        {"第二集 › 讲座-互联网Intern", "1 [B] · 2 [B]"},
        {"第三集 › 我猜猜（7月31日）", "1 [B] · 2 [B]"},
    };
    for (const Listed& l : listed) {
        const qc::Entry* group = childNamed(varietyMenu(), l.path);
        ASSERT_NE(group, nullptr) << l.path;
        EXPECT_EQ(rendered(*group), l.entries) << l.path;
    }
}

TEST(MenuN1, MixedGroupsKeepEntriesAndSubGroupsInTheirOrder) {
    // 第二集: 17 entries, the group 讲座-互联网Intern, three more entries.
    const qc::Entry& second = at({"综艺频道", "第二集"});
    EXPECT_EQ(rendered(second),
              "同一首歌大型演唱会1 [P] · 同一首歌大型演唱会2 [P] · 同一首歌大型演唱会3 [P] · "
              "同一首歌大型演唱会4 [P] · 同一首歌大型演唱会5 [P] · 同一首歌大型演唱会6 [P] · "
              "同一首歌大型演唱会7 [P] · 歌友模仿蔡依琳 [B] · 相声大赛 [P] · 神经花园 [P] · "
              "中国街舞表演 [P] · 美式摔跤 [P] · ２００１年ＷＷＦ比赛 [P] · 世上最惨的人 [P] · "
              "吴宗宪做超级访问 [P] · 街头免费按摩 [P] · 萨达姆秘史 [P] · 讲座-互联网Intern [group] · "
              "孙燕姿The Momen... [B] · 陈佩斯小品系列3-4 [B] · 三国演义 动画片 [B]");
    ASSERT_EQ(second.children.size(), 21u);
    EXPECT_TRUE(second.children[17].isGroup());
    EXPECT_EQ(second.children[17].action, qc::Action::None);

    // 第三集: one entry, the group 我猜猜（7月31日）, four entries.
    const qc::Entry& third = at({"综艺频道", "第三集"});
    EXPECT_EQ(rendered(third),
              "我猜我猜我猜猜1 [B] · 我猜猜（7月31日） [group] · 陈佩斯小品系列1-2 [B] · "
              "陈佩斯小品系列3-4 [B] · 袁大头外传(陈佩斯) [B] · 陈佩斯小品(10部) [B]");
    ASSERT_EQ(third.children.size(), 6u);
    EXPECT_TRUE(third.children[1].isGroup());
    EXPECT_EQ(third.children[1].action, qc::Action::None);
}

TEST(MenuN1, FiveEntriesOfTheSecondSetPlayAnEmptyAddress) {
    const std::vector<std::string> expected = {"２００１年ＷＷＦ比赛", "世上最惨的人", "吴宗宪做超级访问",
                                               "街头免费按摩", "萨达姆秘史"};
    std::vector<std::string> empty;
    for (const qc::Entry* e : visibleLeaves(varietyMenu()))
        if (e->action != qc::Action::None && e->address.empty()) {
            EXPECT_EQ(e->action, qc::Action::Play) << e->caption;
            empty.push_back(e->caption);
        }
    EXPECT_EQ(empty, expected);
    for (const std::string& caption : expected) {
        const qc::Entry& e = at({"综艺频道", "第二集", caption});
        EXPECT_EQ(e.action, qc::Action::Play) << caption;
        EXPECT_TRUE(e.address.empty()) << caption;
    }
}

TEST(MenuN1, ClosingEntryHasNoAction) {
    const qc::Entry& last = varietyMenu().children.back();
    EXPECT_EQ(last.caption, "待续...");
    EXPECT_FALSE(last.isGroup());
    EXPECT_TRUE(last.visible);
    EXPECT_EQ(last.action, qc::Action::None);
    EXPECT_TRUE(last.address.empty());
    int withoutAction = 0;
    for (const qc::Entry* e : visibleLeaves(varietyMenu()))
        if (e->action == qc::Action::None) ++withoutAction;
    EXPECT_EQ(withoutAction, 1);
}

TEST(MenuN1, EqualCaptionsKeepTheirOwnAddresses) {
    const qc::Entry& a = at({"综艺频道", "第二集", "陈佩斯小品系列3-4"});
    const qc::Entry& b = at({"综艺频道", "第三集", "陈佩斯小品系列3-4"});
    EXPECT_FALSE(a.address.empty());
    EXPECT_NE(a.address, b.address);

    // "1" and "2" are the two parts of two different programmes.
    const std::vector<const qc::Entry*> parts = {
        &at({"综艺频道", "第二集", "讲座-互联网Intern", "1"}),
        &at({"综艺频道", "第二集", "讲座-互联网Intern", "2"}),
        &at({"综艺频道", "第三集", "我猜猜（7月31日）", "1"}),
        &at({"综艺频道", "第三集", "我猜猜（7月31日）", "2"}),
    };
    std::set<std::string> addresses;
    for (const qc::Entry* p : parts) {
        EXPECT_EQ(p->action, qc::Action::Browse) << p->name;
        EXPECT_FALSE(p->address.empty()) << p->name;
        addresses.insert(p->address);
    }
    EXPECT_EQ(addresses.size(), parts.size());
}

TEST(MenuN1, SharesTheClipOfTheFirstMenu) {
    const qc::Entry& here = at({"综艺频道", "第二集", "神经花园"});
    const qc::Entry& there = at({"免费体验", "神经花园"});
    EXPECT_FALSE(here.address.empty());
    EXPECT_EQ(here.address, there.address);
    EXPECT_EQ(here.action, qc::Action::Play);
}

TEST(MenuN1, KindFollowsTheMediaFormat) {
    const std::set<std::string> windowsMedia = {"wmv", "asf", "wma", "asx"};
    const std::set<std::string> realMedia = {"rm", "rmvb", "rmv"};
    for (const qc::Entry* e : visibleLeaves(varietyMenu())) {
        if (e->address.empty()) continue;
        const std::string type = addressType(e->address);
        if (e->action == qc::Action::Play) EXPECT_TRUE(windowsMedia.count(type)) << e->caption << " " << e->address;
        else EXPECT_TRUE(e->action == qc::Action::Browse && realMedia.count(type)) << e->caption << " " << e->address;
    }
}

TEST(MenuN1, OnlyOneConcertPlaysInThePlayer) {
    std::vector<std::string> playing;
    for (const qc::Entry& e : at({"综艺频道", "演唱会"}).children) {
        if (e.action == qc::Action::Play) playing.push_back(e.caption);
        else EXPECT_EQ(e.action, qc::Action::Browse) << e.caption;
    }
    EXPECT_EQ(playing, std::vector<std::string>{"[娱乐现场]麦当娜演唱会"});
    EXPECT_EQ(addressScheme(at({"综艺频道", "演唱会", "[娱乐现场]麦当娜演唱会"}).address), "mms");
}

TEST(MenuN1, ChineseCharactersInAddressesAreStoredRaw) {
    int play = 0, browse = 0;
    for (const qc::Entry* e : visibleLeaves(varietyMenu())) {
        EXPECT_EQ(e->address.find('%'), std::string::npos) << e->address;
        if (!hasNonAscii(e->address)) continue;
        if (e->action == qc::Action::Play) ++play;
        if (e->action == qc::Action::Browse) ++browse;
    }
    EXPECT_EQ(play, 1);
    EXPECT_EQ(browse, 4);
}

TEST(MenuN1, SpecialCaptionsAreKeptExactly) {
    // Full-width digits, inner blanks, an unclosed bracket, a cut caption, traditional characters.
    EXPECT_EQ(at({"综艺频道", "第二集", "２００１年ＷＷＦ比赛"}).action, qc::Action::Play);
    EXPECT_EQ(at({"综艺频道", "第一集", "唱歌３分钟不换气"}).action, qc::Action::Play);
    EXPECT_EQ(at({"综艺频道", "第二集", "三国演义 动画片"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"综艺频道", "演唱会", "蔡依林演唱会(台北"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"综艺频道", "第二集", "孙燕姿The Momen..."}).action, qc::Action::Browse);
    EXPECT_EQ(at({"综艺频道", "第一集", "各國佳麗展現魅力"}).action, qc::Action::Play);
    EXPECT_EQ(at({"综艺频道", "第一集", "我爸爸 相声"}).action, qc::Action::Play);
}
