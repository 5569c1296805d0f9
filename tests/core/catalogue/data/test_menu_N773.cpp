// 影视下载: download pages on our own site, and film titles that have no page yet.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& downloadMenu() { return at({"影视下载"}); }

const std::string kOwnSite = "http://www.qingchuan.example/";

}  // namespace

TEST(MenuN773, DirectChildrenMatchTheirTable) {
    expectChildren(downloadMenu(), {
                                       {"电视剧下载", 24, "B 24", "http 24", "htm 24"},
                                       {"电影下载", 94, "- 94", "", ""},
                                       {"李连杰专辑", 16, "B 16", "http 16", "htm 16"},
                                       {"成龙专辑", 1, "- 1", "", ""},
                                       {"周润发专辑", 1, "- 1", "", ""},
                                       {"刘德华专辑", 1, "- 1", "", ""},
                                       {"周星施专辑", 1, "- 1", "", ""},
                                   });
}

TEST(MenuN773, FilmDownloadGroups) {
    expectGroups(downloadMenu(), {
                                     {"电影下载 › A 院", 27, "- 27", "", ""},
                                     {"电影下载 › B 院", 24, "- 24", "", ""},
                                     {"电影下载 › C 院", 22, "- 22", "", ""},
                                     {"电影下载 › D 院", 21, "- 21", "", ""},
                                 });
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"电影下载"})),
              (std::vector<std::string>{"A 院", "B 院", "C 院", "D 院"}));
}

TEST(MenuN773, WholeMenuTotals) {
    Summary s = summarize(downloadMenu());
    EXPECT_EQ(s.entries, 138);
    EXPECT_EQ(s.kinds, counts("B 40, - 98"));
    EXPECT_EQ(s.schemes, counts("http 40"));
    EXPECT_EQ(s.types, counts("htm 40"));
    int groups = 0;
    bool hidden = false;
    std::vector<const qc::Entry*> todo{&downloadMenu()};
    while (!todo.empty()) {
        const qc::Entry* e = todo.back();
        todo.pop_back();
        hidden = hidden || !e->visible;
        if (e->isGroup() && e != &downloadMenu()) {
            ++groups;
            EXPECT_EQ(e->action, qc::Action::None) << e->caption;
        }
        for (const qc::Entry& c : e->children) todo.push_back(&c);
    }
    EXPECT_EQ(groups, 11);
    EXPECT_FALSE(hidden);
}

TEST(MenuN773, CaptionsInOrder) {
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"电视剧下载"})),
              (std::vector<std::string>{
                  "康熙王朝",     "大唐双龙传", "倚天屠龙记",     "誓言无声", "新龙争虎斗",     "飞刀又见飞刀",
                  "青年刘伯承",   "淮海战役",   "长征",           "挺进中原", "少年彭德怀",     "彭大将军",
                  "毛泽东的一生", "叶剑英",     "神雕侠侣",       "百色起义", "将爱情进行到底", "翡翠恋曲",
                  "动感豪情",     "阳光照耀下", "成功经理人讲座", "白雪公主", "蓝色生死恋1",    "蓝色生死恋2",
              }));
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"电影下载", "A 院"})),
              (std::vector<std::string>{
                  "十面埋伏",       "华氏911",          "阿虎",
                  "王位继承人",     "星际传奇",         "河东狮吼",
                  "那小子真帅",     "第六日",           "大老爱美丽",
                  "鬼马校园毕业礼", "星球女子监狱",     "边缘刑警",
                  "不列颠尼克",     "剑鱼行动",         "汉城大劫案",
                  "雷霆杀阵",       "冰上奇迹",         "惩罚者",
                  "海军最强的部队", "我爱拉裤子尿被子", "分手专家",
                  "两支冒烟的枪",   "阿甘正传",         "纽约时刻",
                  "情牵一线",       "新东成西就",       "山村老尸之非常凶姐",
              }));
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"电影下载", "B 院"})),
              (std::vector<std::string>{
                  "五月之恋",   "半生缘",     "我的兄弟姐妹", "魔幻2004",       "幸福时光",          "海上钢琴师",
                  "双雄",       "野蛮师姐",   "船尸疑案",     "周星驰之鹿鼎记", "千机变2之花都大战", "平原游击队",
                  "老鼠爱上猫", "南京大屠杀", "地道战",       "地雷战",         "黑道皇帝",          "双龙会",
                  "原罪",       "豹妹",       "我的小新娘",   "变男变女变变变", "新娘18岁",          "恺撒大帝",
              }));
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"电影下载", "C 院"})),
              (std::vector<std::string>{
                  "甲方乙方",         "幸运超人",   "2009决战异次元", "东成西就",     "赌神3少年赌神", "失落的帝国",
                  "千王之王2000",     "紧急迫降",   "第一修正案",     "少数派报告",   "大力神在纽约",  "再生侠",
                  "千机变之拯救危城", "野蛮人康南", "南征北战",       "飞龙再生",     "狭路相逢",      "彩票追击令",
                  "无头骑士",         "垂直极限",   "魔域奇兵",       "克隆人的进攻",
              }));
    EXPECT_EQ(
        childCaptions(at(downloadMenu(), {"电影下载", "D 院"})),
        (std::vector<std::string>{
            "特洛伊",       "守夜人",       "见习黑玫瑰", "错爱双鱼座", "大肚小男人",   "暗花",     "x战警2DVD",
            "007-明日帝国", "2002恶魔之家", "吸血鬼女王", "少林足球",   "80天环游世界", "你呀闭嘴", "我的小小新娘",
            "银妆刀",       "哈利波特III",  "红磨坊",     "功夫老爸",   "柔道龙虎榜",   "佳人有约", "六天七夜",
        }));
    EXPECT_EQ(childCaptions(at(downloadMenu(), {"李连杰专辑"})), (std::vector<std::string>{
                                                                     "少林小子",
                                                                     "倚天屠龙记",
                                                                     "致命罗密欧",
                                                                     "东方不败",
                                                                     "方世玉",
                                                                     "方世玉续集",
                                                                     "给爸爸的信",
                                                                     "黑侠",
                                                                     "黄飞鸿之一",
                                                                     "黄飞鸿之二",
                                                                     "黄飞鸿铁鸡斗蜈蚣",
                                                                     "精武英雄",
                                                                     "龙的光辉",
                                                                     "冒险王",
                                                                     "杀手之王",
                                                                     "少林寺",
                                                                 }));
}

TEST(MenuN773, BrowsePagesAllLieOnOurOwnSite) {
    std::set<std::string> pages;
    int browse = 0;
    for (const char* group : {"电视剧下载", "李连杰专辑"}) {
        for (const qc::Entry& e : at(downloadMenu(), {group}).children) {
            SCOPED_TRACE(std::string(group) + " › " + e.caption);
            EXPECT_FALSE(e.isGroup());
            EXPECT_EQ(e.action, qc::Action::Browse);
            EXPECT_EQ(e.address.rfind(kOwnSite, 0), 0u) << e.address;
            EXPECT_EQ(addressType(e.address), "htm");
            ++browse;
            pages.insert(e.address);
        }
    }
    EXPECT_EQ(browse, 40);
    EXPECT_EQ(pages.size(), 40u) << "each title has a page of its own";
}

TEST(MenuN773, YitianTulongjiHasTwoDifferentPages) {
    const qc::Entry& series = at(downloadMenu(), {"电视剧下载", "倚天屠龙记"});
    const qc::Entry& film = at(downloadMenu(), {"李连杰专辑", "倚天屠龙记"});
    EXPECT_NE(&series, &film);
    EXPECT_NE(series.name, film.name);
    EXPECT_EQ(series.action, qc::Action::Browse);
    EXPECT_EQ(film.action, qc::Action::Browse);
    EXPECT_FALSE(series.address.empty());
    EXPECT_FALSE(film.address.empty());
    EXPECT_NE(series.address, film.address);
}

TEST(MenuN773, FilmTitlesCarryNoAction) {
    int titles = 0;
    for (const qc::Entry& hall : at(downloadMenu(), {"电影下载"}).children) {
        EXPECT_TRUE(hall.isGroup()) << hall.caption;
        EXPECT_EQ(hall.action, qc::Action::None) << hall.caption;
        for (const qc::Entry& e : hall.children) {
            SCOPED_TRACE(hall.caption + " › " + e.caption);
            ++titles;
            EXPECT_FALSE(e.isGroup());
            EXPECT_TRUE(e.visible);
            EXPECT_EQ(e.action, qc::Action::None);
            EXPECT_TRUE(e.address.empty());
        }
    }
    EXPECT_EQ(titles, 94);
}

TEST(MenuN773, StarCollectionsHoldOnlyAPlaceholder) {
    for (const char* group : {"成龙专辑", "周润发专辑", "刘德华专辑", "周星施专辑"}) {
        const qc::Entry& g = at(downloadMenu(), {group});
        SCOPED_TRACE(group);
        ASSERT_EQ(g.children.size(), 1u);
        EXPECT_EQ(g.children[0].caption, "待续..");
        EXPECT_EQ(g.children[0].action, qc::Action::None);
        EXPECT_TRUE(g.children[0].address.empty());
    }
}
