// 电视剧: one sub-menu per series, either split into episodes or a single entry for a range.

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& tvMenu() { return at({"电视剧"}); }

std::vector<std::string> episodeCaptions(int n) {
    std::vector<std::string> out;
    for (int i = 1; i <= n; ++i) out.push_back("第" + std::to_string(i) + "集");
    return out;
}

bool hasPercentEscape(const std::string& s) {
    auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t i = 0; i + 2 < s.size(); ++i)
        if (s[i] == '%' && hex(s[i + 1]) && hex(s[i + 2])) return true;
    return false;
}

// "rtsp://host:554/path" -> "host:554"
std::string authority(const std::string& address) {
    auto start = address.find("://");
    if (start == std::string::npos) return {};
    start += 3;
    return address.substr(start, address.find('/', start) - start);
}

std::string directory(const std::string& address) { return address.substr(0, address.rfind('/') + 1); }
std::string fileName(const std::string& address) { return address.substr(address.rfind('/') + 1); }

}  // namespace

TEST(MenuC1, DirectChildrenMatchTheirTable) {
    // An empty address is still a play action, so it is counted as "(empty)".
    expectChildren(tvMenu(), {
                                 {"灌篮高手", 101, "P 101", "mms 101", "wmv 101"},
                                 {"隔世追凶", 22, "B 22", "rtsp 22", "rmvb 22"},
                                 {"分身战士（动画片）", 26, "B 26", "rtsp 26", "smi 26"},
                                 {"X战记（动画片）", 24, "B 24", "rtsp 24", "smi 24"},
                                 {"新白娘子传奇", 40, "B 40", "http 40", "rmvb 40"},
                                 {"大汉天子", 40, "P 40", "mms 39", "wmv 39, (empty) 1"},
                                 {"我的家", 9, "P 9", "mms 9", "wmv 9"},
                                 {"熟女欲望记", 23, "B 23", "rtsp 23", "rm 23"},
                                 {"熟女日记", 1, "B 1", "http 1", "htm 1"},
                                 {"红苹果乐园", 1, "B 1", "http 1", "htm 1"},
                                 {"封神榜", 1, "B 1", "http 1", "htm 1"},
                                 {"兄弟连", 1, "B 1", "http 1", "htm 1"},
                                 {"别了，温哥华", 1, "B 1", "http 1", "htm 1"},
                                 {"蔷薇之恋", 1, "B 1", "http 1", "htm 1"},
                                 {"射雕英雄传-铁血丹心", 1, "B 1", "http 1", "htm 1"},
                                 {"熏衣草", 1, "B 1", "http 1", "query 1"},
                                 {"半生缘", 1, "B 1", "http 1", "query 1"},
                                 {"男才女貌", 1, "B 1", "http 1", "query 1"},
                                 {"爱上星期六(电视综艺)", 1, "B 1", "http 1", "query 1"},
                                 {"谍海波涛", 1, "B 1", "http 1", "query 1"},
                                 {"侠客行", 1, "B 1", "http 1", "query 1"},
                                 {"看了又看", 1, "B 1", "http 1", "query 1"},
                                 {"粉红女郎", 1, "P 1", "", "(empty) 1"},
                                 {"天龙八部", 1, "P 1", "", "(empty) 1"},
                             });
}

TEST(MenuC1, WholeMenuIsOneGroupPerSeriesAndEveryEntryActs) {
    const qc::Entry& menu = tvMenu();
    EXPECT_EQ(menu.action, qc::Action::None);
    ASSERT_EQ(menu.children.size(), 24u);
    int leaves = 0;
    for (const qc::Entry& series : menu.children) {
        SCOPED_TRACE(series.caption);
        EXPECT_TRUE(series.isGroup());
        EXPECT_TRUE(series.visible);
        EXPECT_EQ(series.action, qc::Action::None);
        EXPECT_TRUE(series.address.empty());
        for (const qc::Entry& e : series.children) {
            ++leaves;
            EXPECT_FALSE(e.isGroup()) << e.caption;  // three levels, nothing deeper
            EXPECT_TRUE(e.visible) << e.caption;
            EXPECT_NE(e.action, qc::Action::None) << e.caption;
        }
    }
    EXPECT_EQ(leaves, 301);
    Summary s = summarize(menu);
    EXPECT_EQ(s.entries, 301);
    EXPECT_EQ(s.kinds, counts("P 152, B 149"));
}

TEST(MenuC1, SeriesCaptionsInOrder) {
    EXPECT_EQ(childCaptions(tvMenu()), (std::vector<std::string>{
                                           "灌篮高手",
                                           "隔世追凶",
                                           "分身战士（动画片）",
                                           "X战记（动画片）",
                                           "新白娘子传奇",
                                           "大汉天子",
                                           "我的家",
                                           "熟女欲望记",
                                           "熟女日记",
                                           "红苹果乐园",
                                           "封神榜",
                                           "兄弟连",
                                           "别了，温哥华",
                                           "蔷薇之恋",
                                           "射雕英雄传-铁血丹心",
                                           "熏衣草",
                                           "半生缘",
                                           "男才女貌",
                                           "爱上星期六(电视综艺)",
                                           "谍海波涛",
                                           "侠客行",
                                           "看了又看",
                                           "粉红女郎",
                                           "天龙八部",
                                       }));
}

TEST(MenuC1, EpisodeRunsAreCaptionedInOrder) {
    struct Run {
        const char* series;
        int episodes;
    };
    for (Run r : {Run{"灌篮高手", 101}, Run{"隔世追凶", 22}, Run{"分身战士（动画片）", 26}, Run{"新白娘子传奇", 40},
                  Run{"大汉天子", 40}, Run{"我的家", 9}, Run{"熟女欲望记", 23}}) {
        SCOPED_TRACE(r.series);
        EXPECT_EQ(childCaptions(at(tvMenu(), {r.series})), episodeCaptions(r.episodes));
    }
    std::vector<std::string> xzhanji = episodeCaptions(23);
    xzhanji.push_back("第集24");
    EXPECT_EQ(childCaptions(at(tvMenu(), {"X战记（动画片）"})), xzhanji);
}

TEST(MenuC1, SlamDunkListsAll101EpisodesInOneMenu) {
    const qc::Entry& sd = at(tvMenu(), {"灌篮高手"});
    ASSERT_EQ(sd.children.size(), 101u);
    std::vector<const qc::Entry*> shown = visibleLeaves(sd);
    ASSERT_EQ(shown.size(), 101u);
    std::set<std::string> addresses;
    for (int i = 0; i < 101; ++i) {
        const qc::Entry& e = sd.children[i];
        EXPECT_EQ(shown[i], &e);
        EXPECT_EQ(e.caption, "第" + std::to_string(i + 1) + "集");
        EXPECT_FALSE(e.isGroup());
        EXPECT_EQ(e.action, qc::Action::Play);
        addresses.insert(e.address);
    }
    EXPECT_EQ(addresses.size(), 101u) << "every episode streams its own file";
    EXPECT_EQ(sd.children.front().caption, "第1集");
    EXPECT_EQ(sd.children.back().caption, "第101集");
}

TEST(MenuC1, XZhanjiLastEpisodeKeepsItsOddCaptionAndItsOwnAddress) {
    const qc::Entry& x = at(tvMenu(), {"X战记（动画片）"});
    ASSERT_EQ(x.children.size(), 24u);
    const qc::Entry& last = x.children[23];
    EXPECT_EQ(last.caption, "第集24");
    EXPECT_EQ(last.action, qc::Action::Browse);
    EXPECT_EQ(addressType(last.address), "smi");
    // Its address belongs with the others: same folder, the file of episode 24.
    std::set<std::string> addresses;
    for (std::size_t i = 0; i < x.children.size(); ++i) {
        const std::string& a = x.children[i].address;
        SCOPED_TRACE(a);
        addresses.insert(a);
        EXPECT_EQ(directory(a), directory(last.address));
        EXPECT_NE(fileName(a).find(std::to_string(i + 1)), std::string::npos);
    }
    EXPECT_EQ(addresses.size(), 24u);
    EXPECT_NE(last.address, x.children[22].address);
}

TEST(MenuC1, EmptyAddressesAreExactlyTheThreePlayEntries) {
    const qc::Entry& dahan = at(tvMenu(), {"大汉天子"});
    const qc::Entry& ep9 = at(dahan, {"第9集"});
    EXPECT_EQ(ep9.action, qc::Action::Play);
    EXPECT_TRUE(ep9.address.empty());
    for (const char* n : {"第8集", "第10集"}) {
        const qc::Entry& e = at(dahan, {n});
        SCOPED_TRACE(n);
        EXPECT_EQ(e.action, qc::Action::Play);
        EXPECT_EQ(addressScheme(e.address), "mms");
        EXPECT_EQ(addressType(e.address), "wmv");
    }
    for (const char* series : {"粉红女郎", "天龙八部"}) {
        const qc::Entry& s = at(tvMenu(), {series});
        ASSERT_EQ(s.children.size(), 1u) << series;
        EXPECT_EQ(s.children[0].action, qc::Action::Play) << series;
        EXPECT_TRUE(s.children[0].address.empty()) << series;
    }
    EXPECT_EQ(at(tvMenu(), {"粉红女郎", "1－39"}).action, qc::Action::Play);
    EXPECT_EQ(at(tvMenu(), {"天龙八部", "1－40"}).action, qc::Action::Play);

    std::vector<std::string> empty;
    for (const qc::Entry& series : tvMenu().children)
        for (const qc::Entry& e : series.children)
            if (e.address.empty()) empty.push_back(series.caption + " › " + e.caption);
    EXPECT_EQ(empty, (std::vector<std::string>{"大汉天子 › 第9集", "粉红女郎 › 1－39", "天龙八部 › 1－40"}));
}

TEST(MenuC1, OneEntrySeriesNameTheirRange) {
    struct One {
        const char* series;
        const char* caption;
        const char* type;
    };
    const One pages[] = {
        {"熟女日记", "1－20", "htm"},
        {"红苹果乐园", "1－25", "htm"},
        {"封神榜", "1－40", "htm"},
        {"兄弟连", "1－10", "htm"},
        {"别了，温哥华", "1－22", "htm"},
        {"蔷薇之恋", "1－23", "htm"},
        {"射雕英雄传-铁血丹心", "1－20", "htm"},
        {"熏衣草", "1－16", "query"},
        {"半生缘", "1－35", "query"},
        {"男才女貌", "1－20", "query"},
        {"爱上星期六(电视综艺)", "1－11", "query"},
        {"谍海波涛", "1－4", "query"},
        {"侠客行", "1－20", "query"},
        {"看了又看", "1－40", "query"},
    };
    std::set<std::string> addresses;
    for (const One& p : pages) {
        const qc::Entry& s = at(tvMenu(), {p.series});
        SCOPED_TRACE(p.series);
        ASSERT_EQ(s.children.size(), 1u);
        const qc::Entry& e = s.children[0];
        EXPECT_EQ(e.caption, p.caption);  // full-width hyphen, U+FF0D
        EXPECT_EQ(e.action, qc::Action::Browse);
        EXPECT_EQ(addressScheme(e.address), "http");
        EXPECT_EQ(addressType(e.address), p.type);
        addresses.insert(e.address);
    }
    EXPECT_EQ(addresses.size(), 14u);
    EXPECT_EQ(at(tvMenu(), {"熟女日记"}).children.at(0).caption,
              "1\xEF\xBC\x8D"
              "20");
}

TEST(MenuC1, RtspAddressesAllNamePort554) {
    int rtsp = 0;
    for (const qc::Entry& series : tvMenu().children)
        for (const qc::Entry& e : series.children)
            if (addressScheme(e.address) == "rtsp") {
                ++rtsp;
                const std::string host = authority(e.address);
                ASSERT_GE(host.size(), 4u) << e.address;
                EXPECT_EQ(host.substr(host.size() - 4), ":554") << e.address;
                EXPECT_EQ(host.find('@'), std::string::npos) << e.address;
            }
    EXPECT_EQ(rtsp, 95);
}

TEST(MenuC1, SmilAddressesCarryChineseTextAndXZhanjiAlsoEscapes) {
    int smil = 0, chinese = 0, escaped = 0;
    for (const qc::Entry& series : tvMenu().children)
        for (const qc::Entry& e : series.children) {
            if (addressType(e.address) != "smi") continue;
            ++smil;
            EXPECT_EQ(addressScheme(e.address), "rtsp") << e.address;
            EXPECT_EQ(e.address.find(' '), std::string::npos) << e.address;
            if (hasNonAscii(e.address)) ++chinese;
            if (hasPercentEscape(e.address)) {
                ++escaped;
                EXPECT_EQ(series.caption, "X战记（动画片）") << e.address;
                EXPECT_TRUE(hasNonAscii(e.address)) << "escapes mixed with raw text: " << e.address;
            }
        }
    EXPECT_EQ(smil, 50);
    EXPECT_EQ(chinese, 50);
    EXPECT_EQ(escaped, 24);
}
