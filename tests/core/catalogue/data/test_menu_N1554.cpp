// 休闲游戏: Flash games loaded into the games window; the shooting titles have no movie yet.

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& gamesMenu() { return at({"休闲游戏"}); }

std::vector<const qc::Entry*> gameEntries() {
    std::vector<const qc::Entry*> out;
    for (const qc::Entry* e : visibleLeaves(gamesMenu()))
        if (e->action == qc::Action::Game) out.push_back(e);
    return out;
}

}  // namespace

TEST(MenuN1554, DirectChildrenMatchTheirTable) {
    expectChildren(gamesMenu(), {
                                    {"经典推荐", 52, "G 52", "http 52", "swf 52"},
                                    {"射击类", 31, "- 31", "", ""},
                                    {"益智类", 23, "G 23", "http 23", "swf 23"},
                                    {"测试类", 13, "G 13", "http 13", "swf 13"},
                                    {"待续...", 1, "- 1", "", ""},
                                });
}

TEST(MenuN1554, WholeMenuTotals) {
    Summary s = summarize(gamesMenu());
    EXPECT_EQ(s.entries, 120);
    EXPECT_EQ(s.kinds, counts("G 88, - 32"));
    EXPECT_EQ(s.schemes, counts("http 88"));
    EXPECT_EQ(s.types, counts("swf 88"));
    int groups = 0;
    for (const qc::Entry& c : gamesMenu().children) {
        EXPECT_TRUE(c.visible) << c.caption;
        if (!c.isGroup()) continue;
        ++groups;
        EXPECT_EQ(c.action, qc::Action::None) << c.caption;
        for (const qc::Entry& e : c.children) EXPECT_FALSE(e.isGroup()) << e.caption;
    }
    EXPECT_EQ(groups, 4);
    const qc::Entry& last = gamesMenu().children.back();
    EXPECT_EQ(last.caption, "待续...");
    EXPECT_FALSE(last.isGroup());
    EXPECT_EQ(last.action, qc::Action::None);
    EXPECT_TRUE(last.address.empty());
}

TEST(MenuN1554, CaptionsInOrder) {
    EXPECT_EQ(
        childCaptions(at(gamesMenu(), {"经典推荐"})),
        (std::vector<std::string>{
            "波斯王子",      "街头霸王",   "拳王2000",     "拳王百道３", "魔鬼暴力车", "忍者龙剑传", "上海麻将",
            "环保麻将",      "北京麻将",   "三国麻将风云", "F1极速狂飙", "黑客帝国",   "迷奸案",     "农民大翻身",
            "戏谷斗地主",    "大话西游2",  "连连看",       "魂斗罗1号",  "新七龙珠II", "七龙珠III",  "反恐精英",
            "反恐精英A",     "黑客射击版", "麻吉泡泡堂",   "古墓迷踪",   "女友落难记", "小猴跳墩",   "卡通人大战",
            "天诛女忍",      "飞天企鹅",   "痛扁倭狗",     "美女刽子手", "麻辣学堂",   "疯狂牙神",   "遥控赛车",
            "探险找妹妹(1)", "Who干的？",  "公路追逐",     "逃离小岛",   "电脑连连看", "机器车大战", "泡泡龙",
            "欧洲杯2004",    "疯狂坦克",   "HP汽车越野",   "给MM换衣服", "给MM化妆",   "水管工冒险", "红孩儿连连看",
            "IQ过大河",      "合金弹头",   "格斗-大乱拼",
        }));
    EXPECT_EQ(childCaptions(at(gamesMenu(), {"射击类"})),
              (std::vector<std::string>{
                  "cs 小游戏", "空战", "职业枪手", "雷电",     "青蛙的危险", "太空战士",   "打针",       "打雪球",
                  "杀出重围",  "打鸟", "反劫持",   "弹打猫咪", "打野鸭",     "万圣节打鬼", "射气球",     "说服游戏",
                  "海洋屠杀",  "射鸟", "飞机",     "打飞碟",   "射击",       "东海渔滩",   "星际清道夫", "打字游戏",
                  "火星空战",  "炮火", "1945空战", "A-Blast",  "太空战斗",   "打蜜蜂",     "攻防战",
              }));
    EXPECT_EQ(childCaptions(at(gamesMenu(), {"益智类"})),
              (std::vector<std::string>{
                  "连五子",      "占卜",     "鸡蛋游戏", "北京麻将", "消方格",   "龙舟竞赛", "糖块游戏",   "运气",
                  "找错误",      "纸牌游戏", "螃蟹赛跑", "跳跳棋",   "填色游戏", "记忆UTLI", "俄罗斯方块", "仓库世界",
                  "俄罗斯方块2", "跃野机车", "打网球",   "挖地雷",   "找伴侣",   "打字游戏", "看世界",
              }));
    EXPECT_EQ(childCaptions(at(gamesMenu(), {"测试类"})), (std::vector<std::string>{
                                                              "爱情测试",
                                                              "命运大预测",
                                                              "早婚",
                                                              "心理测验",
                                                              "漂漂亮亮过六一",
                                                              "芭比娃娃",
                                                              "明星脱衣秀",
                                                              "你最爱的人是谁",
                                                              "理想恋人",
                                                              "惊喜",
                                                              "占卜外遇",
                                                              "牛郎织女喜相逢",
                                                              "浪漫之旅",
                                                          }));
}

TEST(MenuN1554, UnusualCaptionsAreKeptExactly) {
    // Full-width digit and question mark, an inner blank, mixed Latin letters.
    const qc::Entry& classic = at(gamesMenu(), {"经典推荐"});
    ASSERT_EQ(classic.children.size(), 52u);
    EXPECT_EQ(classic.children[3].caption, "拳王百道\xEF\xBC\x93");  // U+FF13
    EXPECT_EQ(classic.children[36].caption, "Who干的\xEF\xBC\x9F");  // U+FF1F
    EXPECT_EQ(at(gamesMenu(), {"射击类"}).children.at(0).caption, "cs 小游戏");
    EXPECT_EQ(at(gamesMenu(), {"益智类", "记忆UTLI"}).action, qc::Action::Game);
    EXPECT_EQ(at(gamesMenu(), {"经典推荐", "HP汽车越野"}).action, qc::Action::Game);
    EXPECT_EQ(at(gamesMenu(), {"经典推荐", "IQ过大河"}).action, qc::Action::Game);
    EXPECT_EQ(at(gamesMenu(), {"射击类", "cs 小游戏"}).action, qc::Action::None);
}

TEST(MenuN1554, GameAddressesArePlainSwfOverHttp) {
    std::vector<const qc::Entry*> games = gameEntries();
    EXPECT_EQ(games.size(), 88u);
    for (const qc::Entry* e : games) {
        const std::string& a = e->address;
        SCOPED_TRACE(e->caption + ": " + a);
        ASSERT_FALSE(a.empty());
        EXPECT_EQ(addressScheme(a), "http");
        EXPECT_EQ(addressType(a), "swf");
        EXPECT_EQ(a.find('?'), std::string::npos);
        EXPECT_EQ(a.find(' '), std::string::npos);
        const std::size_t host = a.find("://") + 3;
        const std::size_t path = a.find('/', host);
        ASSERT_NE(path, std::string::npos);
        EXPECT_EQ(a.substr(host, path - host).find(':'), std::string::npos) << "no port";
        for (unsigned char ch : a) EXPECT_LT(ch, 0x80) << "ASCII only";
    }
}

TEST(MenuN1554, EightyEightGamesShareOnlyTheBeijingMahjongMovie) {
    std::map<std::string, std::vector<std::string>> byAddress;
    for (const qc::Entry* e : gameEntries()) byAddress[e->address].push_back(e->caption);
    EXPECT_EQ(byAddress.size(), 87u);
    for (const auto& [address, captions] : byAddress) {
        if (captions.size() > 1) {
            EXPECT_EQ(captions, (std::vector<std::string>{"北京麻将", "北京麻将"})) << address;
        }
    }

    const qc::Entry& classic = at(gamesMenu(), {"经典推荐", "北京麻将"});
    const qc::Entry& puzzle = at(gamesMenu(), {"益智类", "北京麻将"});
    EXPECT_NE(classic.name, puzzle.name);
    EXPECT_EQ(classic.action, qc::Action::Game);
    EXPECT_EQ(puzzle.action, qc::Action::Game);
    EXPECT_FALSE(classic.address.empty());
    EXPECT_EQ(classic.address, puzzle.address);
}

TEST(MenuN1554, TypingGameActsOnlyUnderPuzzles) {
    const qc::Entry& shooting = at(gamesMenu(), {"射击类", "打字游戏"});
    const qc::Entry& puzzle = at(gamesMenu(), {"益智类", "打字游戏"});
    EXPECT_NE(shooting.name, puzzle.name);
    EXPECT_EQ(shooting.action, qc::Action::None);
    EXPECT_TRUE(shooting.address.empty());
    EXPECT_EQ(puzzle.action, qc::Action::Game);
    EXPECT_EQ(addressType(puzzle.address), "swf");
}

TEST(MenuN1554, ShootingTitlesAllLackAnAction) {
    const qc::Entry& shooting = at(gamesMenu(), {"射击类"});
    ASSERT_EQ(shooting.children.size(), 31u);
    EXPECT_EQ(visibleLeaves(shooting).size(), 31u);
    for (const qc::Entry& e : shooting.children) {
        SCOPED_TRACE(e.caption);
        EXPECT_FALSE(e.isGroup());
        EXPECT_EQ(e.action, qc::Action::None);
        EXPECT_TRUE(e.address.empty());
    }
}
