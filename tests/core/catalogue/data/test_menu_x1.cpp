// 在线电影: online films by date, genre and award, mixing streamed, RealMedia and player-page entries.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& filmsMenu() { return at({"在线电影"}); }

// A path of captions below the menu, parts joined by " › ", "caption#n" for the n-th sibling.
const qc::Entry& below(std::string_view path) {
    const qc::Entry* e = &filmsMenu();
    const std::string_view sep = " › ";
    while (!path.empty()) {
        size_t i = path.find(sep);
        std::string_view part = path.substr(0, i);
        e = &at(*e, {part});
        path = i == std::string_view::npos ? std::string_view() : path.substr(i + sep.size());
    }
    return *e;
}

// An entry in outline form: a leaf with its kind tag, a group by caption alone.
std::string listed(const qc::Entry& e) {
    if (e.isGroup()) return e.caption;
    switch (e.action) {
    case qc::Action::Play: return e.caption + " [P]";
    case qc::Action::Browse: return e.caption + " [B]";
    case qc::Action::Game: return e.caption + " [G]";
    case qc::Action::About: return e.caption + " [about]";
    case qc::Action::None: break;
    }
    return e.caption + " [-]";
}

std::vector<std::string> listedChildren(const qc::Entry& e) {
    std::vector<std::string> out;
    for (const qc::Entry& c : e.children) out.push_back(listed(c));
    return out;
}

void forEachEntry(const qc::Entry& e, const std::string& trail,
                  const std::function<void(const qc::Entry&, const std::string&)>& f) {
    for (const qc::Entry& c : e.children) {
        std::string path = trail.empty() ? c.caption : trail + " › " + c.caption;
        f(c, path);
        forEachEntry(c, path, f);
    }
}

// What the address names before its query: "asp" for "http://h/play.asp?id=1".
std::string resourceType(std::string_view address) { return addressType(address.substr(0, address.find('?'))); }

// The user information before the host of an address, or "" when it has none.
std::string userInfo(std::string_view address) {
    size_t start = address.find("://");
    if (start == std::string_view::npos) return {};
    start += 3;
    size_t end = address.find_first_of("/?", start);
    std::string_view authority = address.substr(start, end == std::string_view::npos ? end : end - start);
    size_t at = authority.rfind('@');
    return at == std::string_view::npos ? std::string() : std::string(authority.substr(0, at));
}

}  // namespace

TEST(MenuX1, DirectChildrenMatchTheirTable) {
    expectChildren(filmsMenu(),
                   {
                       {"最近更新", 110, "B 71, P 39", "rtsp 46, mms 35, http 29",
                        "rm 41, wmv 28, query 25, asf 9, rmvb 5, dat 2"},
                       {"推荐片", 11, "- 6, B 5", "rtsp 3, http 2", "query 2, rmvb 2, rm 1"},
                       {"爱情片", 43, "B 21, - 19, P 3", "http 12, rtsp 9, mms 3", "query 11, rmvb 7, rm 3, wmv 3"},
                       {"喜剧片", 22, "B 17, P 5", "http 15, mms 4, rtsp 3", "rm 10, query 4, wmv 4, rmvb 3, asf 1"},
                       {"动作片", 64, "B 59, P 4, - 1", "http 55, rtsp 8", "query 35, rmvb 14, rm 10, dat 2, wmv 2"},
                       {"科幻片", 43, "- 31, B 8, P 4", "http 9, mms 3", "query 4, wmv 4, rm 2, rmvb 2"},
                       {"恐怖片", 36, "- 18, B 16, P 2", "http 16, rtsp 2", "query 10, rm 4, rmvb 2, wmv 2"},
                       {"战争片", 25, "- 17, B 7, P 1", "http 8", "query 4, rm 2, rmvb 1, wmv 1"},
                       {"奥斯卡影片", 83, "P 83", "mms 83", "wmv 83"},
                   });
}

TEST(MenuX1, GroupsMatchTheirTable) {
    expectGroups(
        filmsMenu(),
        {
            {"最近更新 › 8月10日", 26, "B 26", "http 20, rtsp 6", "query 20, rm 4, rmvb 2"},
            {"最近更新 › 8月15日", 25, "P 18, B 7", "mms 14, http 9, rtsp 2", "wmv 15, query 5, dat 2, rm 2, asf 1"},
            {"最近更新 › 8月29日", 38, "B 38", "rtsp 38", "rm 35, rmvb 3"},
            {"最近更新 › 国产经典", 21, "P 21", "mms 21", "wmv 13, asf 8"},
            {"推荐片 › 华氏911", 2, "B 2", "http 2", "query 2"},
            {"推荐片 › 蜘蛛侠2", 2, "B 2", "rtsp 2", "rmvb 2"},
            {"爱情片 › A影院", 24, "B 21, P 3", "http 12, rtsp 9, mms 3", "query 11, rmvb 7, rm 3, wmv 3"},
            {"爱情片 › B影院", 19, "- 19", "", ""},
            {"喜剧片 › A影院", 15, "B 12, P 3", "http 11, mms 2, rtsp 2", "rm 7, query 4, wmv 2, asf 1, rmvb 1"},
            {"喜剧片 › B影院", 7, "B 5, P 2", "http 4, mms 2, rtsp 1", "rm 3, rmvb 2, wmv 2"},
            {"动作片 › A影院", 33, "B 32, - 1", "http 31, rtsp 1", "query 29, rm 3"},
            {"动作片 › B影院", 31, "B 27, P 4", "http 24, rtsp 7", "rmvb 14, rm 7, query 6, dat 2, wmv 2"},
            {"科幻片 › A影院", 25, "- 13, B 8, P 4", "http 9, mms 3", "query 4, wmv 4, rm 2, rmvb 2"},
            {"科幻片 › B影院", 18, "- 18", "", ""},
            {"恐怖片 › A影院", 18, "B 16, P 2", "http 16, rtsp 2", "query 10, rm 4, rmvb 2, wmv 2"},
            {"恐怖片 › B影院", 18, "- 18", "", ""},
            {"战争片 › A影院", 8, "B 7, P 1", "http 8", "query 4, rm 2, rmvb 1, wmv 1"},
            {"战争片 › B影院", 17, "- 17", "", ""},
            {"奥斯卡影片 › A 院", 39, "P 39", "mms 39", "wmv 39"},
            {"奥斯卡影片 › B 院", 44, "P 44", "mms 44", "wmv 44"},
        });
}

TEST(MenuX1, WholeMenuTotals) {
    Summary s = summarize(filmsMenu());
    EXPECT_EQ(s.entries, 437);
    EXPECT_EQ(s.kinds, counts("B 204, P 141, - 92"));
    int groups = 0, items = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        ++items;
        EXPECT_TRUE(e.visible) << path;
        if (e.isGroup()) ++groups;
        if (!e.isGroup() && e.action != qc::Action::None) {
            EXPECT_FALSE(e.address.empty()) << path;
        }
        EXPECT_NE(e.action, qc::Action::Game) << path;
    });
    EXPECT_EQ(groups, 127);
    EXPECT_EQ(items, 564);
    EXPECT_EQ(filmsMenu().action, qc::Action::None);
    EXPECT_EQ(filmsMenu().name, "x1");
}

// Every group and its entries in menu order, in outline form.
TEST(MenuX1, EveryGroupListsItsEntriesInOrder) {
    EXPECT_EQ(listedChildren(filmsMenu()), (std::vector<std::string>{
                                               "最近更新",
                                               "推荐片",
                                               "爱情片",
                                               "喜剧片",
                                               "动作片",
                                               "科幻片",
                                               "恐怖片",
                                               "战争片",
                                               "奥斯卡影片",
                                           }));
    const std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
        {"最近更新",
         {
             "8月10日",
             "8月15日",
             "8月29日",
             "国产经典",
         }},
        {"最近更新 › 8月10日",
         {
             "中华赌侠 [B]",
             "少林足球 [B]",
             "新龙门客栈 [B]",
             "一家之鼠 [B]",
             "见习黑玫瑰 [B]",
             "鹿鼎记2之神龙教 [B]",
             "哥鲁达",
             "吸血鬼惊情400年",
             "致命武器",
             "国庆50年大阅兵 [B]",
             "中国战略导弹部队 [B]",
             "八一飞行表演队 [B]",
             "空军地空导弹部队 [B]",
             "中国海军航空兵 [B]",
             "中国陆军航空兵 [B]",
             "中国海军驱逐舰部队 [B]",
             "中国海军陆战队 [B]",
             "中国空降兵部队 [B]",
             "中国空军航空兵 [B]",
             "中国三军仪仗队 [B]",
             "中国陆军集团军 [B]",
             "迈向21世纪的中国军队 [B]",
             "中国海军演习录像 [B]",
         }},
        {"最近更新 › 8月10日 › 哥鲁达",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月10日 › 吸血鬼惊情400年",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月10日 › 致命武器",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月15日",
         {
             "入侵阿富汗 [P]",
             "千王之王 [P]",
             "赤裸特工 [P]",
             "千金欧游记",
             "魔翼杀手2 [P]",
             "逃学正转 [P]",
             "我爱上了朋友的姐姐 [P]",
             "偷偷爱你 [B]",
             "星期五末日 [B]",
             "滴血纹身 [P]",
             "仙境传说",
             "双龙会 [B]",
             "惊魂记 [P]",
             "安娜与武林",
             "韩朝风云 [B]",
             "吸血鬼惊情400年 [B]",
             "见鬼",
             "香港制造 [P]",
             "奔腾年代 [P]",
             "少数派报告 [P]",
         }},
        {"最近更新 › 8月15日 › 千金欧游记",
         {
             "1 [P]",
             "2 [P]",
         }},
        {"最近更新 › 8月15日 › 仙境传说",
         {
             "1 [P]",
             "2 [P]",
             "3 [P]",
         }},
        {"最近更新 › 8月15日 › 安娜与武林",
         {
             "1 [P]",
             "2 [P]",
         }},
        {"最近更新 › 8月15日 › 见鬼",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日",
         {
             "神昏颠倒 [B]", "2004鬼撞人",   "深寒食人兽",       "风恋",       "佳拍",         "白发魔女传 [B]",
             "终极指令 [B]", "天崩地裂",     "绿巨人",           "千年湖 [B]", "沙丘魔堡2003", "周渔的火车",
             "手机 [B]",     "我的性感女友", "有情饮水饱",       "盖娜",       "我和爸爸 [B]", "英雄气短",
             "压岁钱",       "下一个就是你", "千机变之拯救危城", "绝种好男人",
         }},
        {"最近更新 › 8月29日 › 2004鬼撞人",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 深寒食人兽",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 风恋",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 佳拍",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 天崩地裂",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 绿巨人",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 沙丘魔堡2003",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 周渔的火车",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 我的性感女友",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 有情饮水饱",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 盖娜",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 英雄气短",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 压岁钱",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 下一个就是你",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 千机变之拯救危城",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 8月29日 › 绝种好男人",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"最近更新 › 国产经典",
         {
             "不见不散",
             "网络时代的爱情",
             "没完没了",
             "老井",
             "甲方乙方",
             "摩登保镖 [P]",
             "警察故事III [P]",
             "红高粱",
             "公仆 [P]",
             "月光宝盒",
             "大圣娶亲",
             "阮玲玉",
         }},
        {"最近更新 › 国产经典 › 不见不散",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 网络时代的爱情",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 没完没了",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 老井",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 甲方乙方",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 红高粱",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 月光宝盒",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 大圣娶亲",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"最近更新 › 国产经典 › 阮玲玉",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"推荐片",
         {
             "十面埋伏 [-]",
             "华氏911",
             "蜘蛛侠2",
             "冰河世纪 [B]",
             "色即是空 [-]",
             "我的野蛮女友 [-]",
             "天地英雄 [-]",
             "英雄 [-]",
             "手机 [-]",
         }},
        {"推荐片 › 华氏911",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"推荐片 › 蜘蛛侠2",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片",
         {
             "A影院",
             "B影院",
         }},
        {"爱情片 › A影院",
         {
             "花好月圆",
             "恋爱中的宝贝",
             "千年湖",
             "薰衣草 [B]",
             "美人草",
             "妈妈再爱我一次",
             "窈窕淑女 [B]",
             "与龙共舞",
             "大事件 [P]",
             "总统千金欧游记",
             "[粤语]生死速遞 [B]",
             "恋情告急 [B]",
             "我的失忆男友",
             "求爱上上签",
             "[粤语]七年很痒 [B]",
         }},
        {"爱情片 › A影院 › 花好月圆",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 恋爱中的宝贝",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 千年湖",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 美人草",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 妈妈再爱我一次",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 与龙共舞",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 总统千金欧游记",
         {
             "1 [P]",
             "2 [P]",
         }},
        {"爱情片 › A影院 › 我的失忆男友",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › A影院 › 求爱上上签",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"爱情片 › B影院",
         {
             "忘不了 [-]",         "地下铁 [-]",       "我的野蛮女友 [-]", "疯狂初恋 [-]",   "这个夏天有异性 [-]",
             "风月俏佳人 [-]",     "初恋滋味 [-]",     "乳房与月亮 [-]",   "人性的污点 [-]", "心痒痒 [-]",
             "开往春天的地铁 [-]", "向左走向右走 [-]", "恋爱中的宝贝 [-]", "美丽的慌言 [-]", "烟雨红颜 [-]",
             "独立时代 [-]",       "慌心假期 [-]",     "无可救药上你 [-]", "求爱上上签 [-]",
         }},
        {"喜剧片",
         {
             "A影院",
             "B影院",
         }},
        {"喜剧片 › A影院",
         {
             "自娱自乐 [B]",
             "唐伯虎点秋香 [B]",
             "蟑螂总动员 [B]",
             "野蛮师姐 [B]",
             "千王之王2000 [P]",
             "逃学正转 [P]",
             "幸运超人",
             "狭路相逢 [P]",
             "水浒笑传",
             "梦想家 [B]",
             "恺撒大帝 [B]",
             "多啦A梦 (1) [B]",
             "灌篮高手 [B]",
         }},
        {"喜剧片 › A影院 › 幸运超人",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"喜剧片 › A影院 › 水浒笑传",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"喜剧片 › B影院",
         {
             "八脚怪 [B]",
             "大腕 [B]",
             "英语完全征服 [P]",
             "逃学正转 [P]",
             "疯狂拍档 [B]",
             "不夜城",
         }},
        {"喜剧片 › B影院 › 不夜城",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片",
         {
             "A影院",
             "B影院",
         }},
        {"动作片 › A影院",
         {
             "十面埋伏 [B]",     "金牌间谍 [B]",   "精武英雄 [B]", "山鸡故事",      "龙兄鼠弟 [B]",
             "海陆空大逃亡 [B]", "新龙门客栈 [B]", "火山高中",     "火山高校-另类", "将计就计",
             "与龙共舞-刘得华",  "柔道龙虎榜 [B]", "特洛伊 [B]",   "赌神1 [B]",     "冲锋陷阵2004",
             "金牌间谍",         "见习黑玫瑰 [-]", "偷天陷阱",     "救世主 [B]",    "少林足球",
             "成龙系列/龙旋风",  "这个杀手不太冷",
         }},
        {"动作片 › A影院 › 山鸡故事",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 火山高中",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 火山高校-另类",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 将计就计",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 与龙共舞-刘得华",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 冲锋陷阵2004",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 金牌间谍#2",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 偷天陷阱",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 少林足球",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 成龙系列/龙旋风",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › A影院 › 这个杀手不太冷",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院",
         {
             "龙旋风",   "鱼鹰行动 [B]", "空中监狱",     "新龙门客栈 [B]", "魔翼杀手2 [P]",
             "刀锋战士", "将计就计",     "高度戒备 [B]", "柔道龙虎榜 [B]", "中华保镖",
             "刀锋战士", "狭路相逢 [P]", "天地英雄 [B]", "啊虎",           "惩罚者 [B]",
             "冲锋陷阵", "大事件 [B]",   "杀死比尔",     "太极张三丰",     "天使之牙",
         }},
        {"动作片 › B影院 › 龙旋风",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 空中监狱",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 刀锋战士#1",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 将计就计",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 中华保镖",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 刀锋战士#2",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 啊虎",
         {
             "1 [P]",
             "2 [P]",
         }},
        {"动作片 › B影院 › 冲锋陷阵",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 杀死比尔",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 太极张三丰",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"动作片 › B影院 › 天使之牙",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"科幻片",
         {
             "A影院",
             "B影院",
         }},
        {"科幻片 › A影院",
         {
             "宇宙奇观",     "绝命狙击",     "仙景传说",      "赤裸特工 [P]", "宇宙的发现",     "未来战士续 [B]",
             "空中监狱 [B]", "黑鹰计划 [P]", "变种DNA 3 [-]", "自然城市 [-]", "时空特警 2 [-]", "时空特警 [-]",
             "星际奇兵 [-]", "时间线 [-]",   "绿巨人 [-]",    "时光大盗 [-]", "地心历险 [-]",   "时间大神 [-]",
             "X档案 [-]",    "最终幻想 [-]", "生化危机 [-]",
         }},
        {"科幻片 › A影院 › 宇宙奇观",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"科幻片 › A影院 › 绝命狙击",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"科幻片 › A影院 › 仙景传说",
         {
             "1 [P]",
             "2 [P]",
         }},
        {"科幻片 › A影院 › 宇宙的发现",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"科幻片 › B影院",
         {
             "人猿蚝星球 [-]",
             "千机变 [-]",
             "捍卫机密 [-]",
             "回归者 [-]",
             "鬼船 [-]",
             "再造战士 [-]",
             "星河战队 [-]",
             "时空特警 [-]",
             "阿波罗 [-]",
             "第五元素 [-]",
             "古墓丽影 [-]",
             "哈利波特 [-]",
             "火星人玩转地球 [-]",
             "黑衣人 [-]",
             "救世主 [-]",
             "特警判官 [-]",
             "未来水世界 [-]",
             "特工小子 [-]",
         }},
        {"恐怖片",
         {
             "A影院",
             "B影院",
         }},
        {"恐怖片 › A影院",
         {
             "午夜凶灵之贞子缠身",
             "见鬼2",
             "船尸疑案",
             "死亡幻觉 [B]",
             "美国版-午夜凶铃",
             "循环自杀 [B]",
             "第六日 [P]",
             "死亡幻觉 [B]",
             "吸血鬼女王",
             "午夜凶铃 [B]",
             "魔翼杀手2 [P]",
             "吸血甲虫 [B]",
             "焚兽之都 [B]",
         }},
        {"恐怖片 › A影院 › 午夜凶灵之贞子缠身",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"恐怖片 › A影院 › 见鬼2",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"恐怖片 › A影院 › 船尸疑案",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"恐怖片 › A影院 › 美国版-午夜凶铃",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"恐怖片 › A影院 › 吸血鬼女王",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"恐怖片 › B影院",
         {
             "山村老尸 [-]",
             "凶房 [-]",
             "惊魂记 [-]",
             "鬼娃回魂 [-]",
             "凶咒 [-]",
             "鬼娃娃花子 [-]",
             "吸血鬼的阴影 [-]",
             "邪灵复活 [-]",
             "小岛惊魂 [-]",
             "惊魂眼 [-]",
             "魔鬼访客 [-]",
             "月光光心慌慌 [-]",
             "不可撤销 [-]",
             "完美女人 [-]",
             "咒乐园 [-]",
             "恐怖俱乐部 [-]",
             "船尸疑案 [-]",
             "记忆裂痕 [-]",
         }},
        {"战争片",
         {
             "A影院",
             "B影院",
         }},
        {"战争片 › A影院",
         {
             "羊城暗哨",
             "南征北战",
             "兵临城下 [B]",
             "星河舰队 [P]",
             "中印战争",
         }},
        {"战争片 › A影院 › 羊城暗哨",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"战争片 › A影院 › 南征北战",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"战争片 › A影院 › 中印战争",
         {
             "1 [B]",
             "2 [B]",
         }},
        {"战争片 › B影院",
         {
             "珍珠港 [-]",
             "特洛伊 [-]",
             "红色警戒 [-]",
             "角斗士 [-]",
             "魔界转生 [-]",
             "禁忌的游戏 [-]",
             "兵临城下 [-]",
             "雷霆救兵 [-]",
             "众神与将军 [-]",
             "真正的女人 [-]",
             "影子武士 [-]",
             "全金属外壳 [-]",
             "怒海争锋 [-]",
             "冲出马亚逊 [-]",
             "无主之地 [-]",
             "特种任务 [-]",
             "SAS特种部队 [-]",
         }},
        {"奥斯卡影片",
         {
             "A 院",
             "B 院",
         }},
        {"奥斯卡影片 › A 院",
         {
             "欲望号街车 [P]", "戏王之王 [P]",   "侠盗罗宾汗 [P]", "偷自行车的人 [P]", "唐璜 [P]",
             "铁达尼号 [P]",   "罗生门 [P]",     "乱世佳人",       "罗马假日 [P]",     "巨人 [P]",
             "彗星美人 [P]",   "欢乐满人间 [P]", "虎、虎、虎 [P]", "花都艳舞 [P]",     "国王与我 [P]",
             "复活节游行 [P]", "霸王妖姬 [P]",   "宝石岭 [P]",     "哈姆雷特",         "鹿苑长春",
             "与我同行 [P]",   "玉女神驹 [P]",   "失落的周末 [P]", "深闺疑云 [P]",     "白雪公主",
             "守卫莱茵河 [P]", "孤星血泪 [P]",   "青山翠谷 [P]",   "第七层面纱 [P]",   "紧急下潜 [P]",
             "爱德华大夫 [P]", "剃刀边缘 [P]",
         }},
        {"奥斯卡影片 › A 院 › 乱世佳人",
         {
             "上 [P]",
             "中 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › A 院 › 哈姆雷特",
         {
             "上 [P]",
             "中 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › A 院 › 鹿苑长春",
         {
             "上 [P]",
             "中 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › A 院 › 白雪公主",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院",
         {
             "蝴蝶梦 [P]",   "卡萨布兰卡 [P]", "黄金时代 [P]",   "怒火之花 [P]", "忠勇之家 [P]",   "乱世春秋 [P]",
             "黑天鹅 [P]",   "驿马车",         "歌舞大王希格弗", "战地钟声",     "铁翼雄风",       "左拉转 [P]",
             "煤气灯下",     "圣女贞德 [P]",   "歌剧院的幽灵",   "公民凯恩",     "呼啸山庄",       "傲慢与偏见",
             "月宫宝盒 [P]", "女人万岁",       "费城故事",       "翠堤春晓",     "卡萨布兰卡快车", "极地侏罗纪",
             "丛林夺宝 [P]", "国家机密",       "墨菲战争",
         }},
        {"奥斯卡影片 › B 院 › 驿马车",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 歌舞大王希格弗",
         {
             "上 [P]",
             "中 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 战地钟声",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 铁翼雄风",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 煤气灯下",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 歌剧院的幽灵",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 公民凯恩",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 呼啸山庄",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 傲慢与偏见",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 女人万岁",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 费城故事",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 翠堤春晓",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 卡萨布兰卡快车",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 极地侏罗纪",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 国家机密",
         {
             "上 [P]",
             "下 [P]",
         }},
        {"奥斯卡影片 › B 院 › 墨菲战争",
         {
             "上 [P]",
             "下 [P]",
         }},
    };
    ASSERT_EQ(groups.size(), 127u);
    for (const auto& [path, entries] : groups) {
        const qc::Entry& g = below(path);
        EXPECT_TRUE(g.isGroup()) << path;
        EXPECT_EQ(listedChildren(g), entries) << path;
    }
}

TEST(MenuX1, EntriesWithoutAction) {
    std::set<std::string> expected;
    for (const char* hall : {"爱情片 › B影院", "科幻片 › B影院", "恐怖片 › B影院", "战争片 › B影院"}) {
        for (const qc::Entry& e : below(hall).children) {
            EXPECT_FALSE(e.isGroup()) << hall << " › " << e.caption;
            expected.insert(e.name);
        }
    }
    EXPECT_EQ(expected.size(), 72u);
    // 科幻片 › A影院 ends with 13 titles without address, from 变种DNA 3 on.
    const auto& scifi = below("科幻片 › A影院").children;
    ASSERT_GE(scifi.size(), 13u);
    EXPECT_EQ(scifi[scifi.size() - 13].caption, "变种DNA 3");
    for (size_t i = scifi.size() - 13; i < scifi.size(); ++i) expected.insert(scifi[i].name);
    for (const char* title : {"十面埋伏", "色即是空", "我的野蛮女友", "天地英雄", "英雄", "手机"})
        expected.insert(at(filmsMenu(), {"推荐片", title}).name);
    expected.insert(below("动作片 › A影院 › 见习黑玫瑰").name);
    ASSERT_EQ(expected.size(), 92u);

    std::set<std::string> found;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.isGroup() || e.action != qc::Action::None) return;
        found.insert(e.name);
        EXPECT_TRUE(e.address.empty()) << path;
        EXPECT_TRUE(expected.count(e.name)) << path << " should have an action";
    });
    EXPECT_EQ(found, expected);
    // The entry before 变种DNA 3 still plays.
    EXPECT_EQ(below("科幻片 › A影院 › 黑鹰计划").action, qc::Action::Play);
    EXPECT_EQ(below("爱情片 › B影院 › 忘不了").action, qc::Action::None);
}

TEST(MenuX1, SameFilmInSeveralGroupsPlaysOneStream) {
    const std::vector<std::vector<std::string>> shared = {
        {"最近更新 › 8月15日 › 魔翼杀手2", "动作片 › B影院 › 魔翼杀手2", "恐怖片 › A影院 › 魔翼杀手2"},
        {"最近更新 › 8月15日 › 逃学正转", "喜剧片 › A影院 › 逃学正转", "喜剧片 › B影院 › 逃学正转"},
        {"最近更新 › 8月15日 › 赤裸特工", "科幻片 › A影院 › 赤裸特工"},
        {"喜剧片 › A影院 › 狭路相逢", "动作片 › B影院 › 狭路相逢"},
    };
    std::set<std::string> streams;
    for (const auto& places : shared) {
        const qc::Entry& first = below(places[0]);
        EXPECT_FALSE(first.address.empty()) << places[0];
        streams.insert(first.address);
        for (const std::string& place : places) {
            const qc::Entry& e = below(place);
            EXPECT_EQ(e.action, qc::Action::Play) << place;
            EXPECT_EQ(e.address, first.address) << place;
        }
    }
    EXPECT_EQ(streams.size(), 4u) << "four different films";
}

TEST(MenuX1, EqualCaptionsWithTheirOwnAddresses) {
    const qc::Entry& inn1 = below("最近更新 › 8月10日 › 新龙门客栈");
    const qc::Entry& inn2 = below("动作片 › A影院 › 新龙门客栈");
    const qc::Entry& inn3 = below("动作片 › B影院 › 新龙门客栈");
    for (const qc::Entry* e : {&inn1, &inn2, &inn3}) {
        EXPECT_EQ(e->action, qc::Action::Browse);
        EXPECT_FALSE(e->address.empty());
    }
    EXPECT_EQ((std::set<std::string>{inn1.address, inn2.address, inn3.address}).size(), 3u);

    const qc::Entry& illusion1 = below("恐怖片 › A影院 › 死亡幻觉#1");
    const qc::Entry& illusion2 = below("恐怖片 › A影院 › 死亡幻觉#2");
    EXPECT_NE(illusion1.name, illusion2.name);
    EXPECT_EQ(illusion1.action, qc::Action::Browse);
    EXPECT_EQ(illusion2.action, qc::Action::Browse);
    EXPECT_NE(illusion1.address, illusion2.address);

    const qc::Entry& rose = below("最近更新 › 8月10日 › 见习黑玫瑰");
    const qc::Entry& roseTitle = below("动作片 › A影院 › 见习黑玫瑰");
    EXPECT_EQ(rose.action, qc::Action::Browse);
    EXPECT_FALSE(rose.address.empty());
    EXPECT_EQ(roseTitle.action, qc::Action::None);
    EXPECT_TRUE(roseTitle.address.empty());

    const qc::Entry& eventPlayed = below("爱情片 › A影院 › 大事件");
    const qc::Entry& eventBrowsed = below("动作片 › B影院 › 大事件");
    EXPECT_EQ(eventPlayed.action, qc::Action::Play);
    EXPECT_EQ(eventBrowsed.action, qc::Action::Browse);
    EXPECT_NE(eventPlayed.address, eventBrowsed.address);
    EXPECT_EQ(addressScheme(eventPlayed.address), "mms");
}

TEST(MenuX1, TwoBladeGroupsShareTheirTwoFiles) {
    const qc::Entry& first = below("动作片 › B影院 › 刀锋战士#1");
    const qc::Entry& second = below("动作片 › B影院 › 刀锋战士#2");
    EXPECT_NE(first.name, second.name);
    ASSERT_EQ(first.children.size(), 2u);
    ASSERT_EQ(second.children.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(first.children[i].caption, second.children[i].caption);
        EXPECT_EQ(first.children[i].action, qc::Action::Browse);
        EXPECT_EQ(second.children[i].address, first.children[i].address) << "part " << i + 1;
    }
    EXPECT_NE(first.children[0].address, first.children[1].address);
    // Between the two stands 中华保镖, which has files of its own.
    EXPECT_NE(below("动作片 › B影院 › 中华保镖 › 1").address, first.children[0].address);
}

// Apart from the films above, every address in the menu is its own.
TEST(MenuX1, OtherAddressesAreDistinct) {
    const std::set<std::string> sharedFilms = {"魔翼杀手2", "逃学正转", "赤裸特工", "狭路相逢"};
    std::map<std::string, std::vector<std::string>> byAddress;
    int actions = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.action == qc::Action::None) return;
        ++actions;
        byAddress[e.address].push_back(path);
    });
    EXPECT_EQ(actions, 346) << "345 entries and the group 金牌间谍";
    EXPECT_EQ(byAddress.size(), 338u);
    for (const auto& [address, paths] : byAddress) {
        if (paths.size() == 1) continue;
        SCOPED_TRACE(address);
        const qc::Entry& e = below(paths[0]);
        bool blade = paths[0].rfind("动作片 › B影院 › 刀锋战士 › ", 0) == 0;
        EXPECT_TRUE(blade || sharedFilms.count(e.caption)) << paths[0];
        EXPECT_EQ(paths.size(), blade ? 2u : (e.caption == "魔翼杀手2" || e.caption == "逃学正转" ? 3u : 2u));
    }
}

TEST(MenuX1, SpyGroupHasAPageOfItsOwn) {
    const qc::Entry& film = below("动作片 › A影院 › 金牌间谍#1");
    const qc::Entry& group = below("动作片 › A影院 › 金牌间谍#2");
    EXPECT_FALSE(film.isGroup());
    EXPECT_EQ(film.action, qc::Action::Browse);
    ASSERT_TRUE(group.isGroup());
    EXPECT_EQ(group.action, qc::Action::Browse);
    EXPECT_EQ(addressScheme(group.address), "http");
    EXPECT_EQ(addressType(group.address), "query");
    EXPECT_EQ(resourceType(group.address), "asp");
    ASSERT_EQ(group.children.size(), 2u);
    const qc::Entry& part1 = group.children[0];
    const qc::Entry& part2 = group.children[1];
    EXPECT_EQ(part1.caption, "1");
    EXPECT_EQ(part2.caption, "2");
    for (const qc::Entry* part : {&part1, &part2}) {
        EXPECT_EQ(part->action, qc::Action::Browse);
        EXPECT_EQ(addressType(part->address), "query");
        // The same player page, another film.
        std::string_view page(part->address), own(group.address);
        EXPECT_EQ(page.substr(0, page.find('?')), own.substr(0, own.find('?')));
    }
    EXPECT_EQ((std::set<std::string>{film.address, group.address, part1.address, part2.address}).size(), 4u);

    // No other group in the menu has an action.
    int withAction = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.isGroup() && e.action != qc::Action::None) {
            ++withAction;
            EXPECT_EQ(e.name, group.name) << path;
        }
    });
    EXPECT_EQ(withAction, 1);
}

TEST(MenuX1, MemberLoginStaysInTheAddress) {
    const qc::Entry& garuda = below("最近更新 › 8月10日 › 哥鲁达");
    ASSERT_EQ(garuda.children.size(), 2u);
    for (const qc::Entry& part : garuda.children) {
        SCOPED_TRACE(part.caption);
        EXPECT_EQ(part.action, qc::Action::Browse);
        EXPECT_EQ(addressScheme(part.address), "rtsp");
        std::string login = userInfo(part.address);
        size_t colon = login.find(':');
        ASSERT_NE(colon, std::string::npos) << part.address;
        EXPECT_EQ(colon, 9u) << "user name";
        EXPECT_EQ(login.size() - colon - 1, 6u) << "password";
        std::string type = addressType(part.address);
        EXPECT_TRUE(type == "rm" || type == "rmvb") << type;
    }
    // Nowhere else in the menu does an address carry a login.
    int logins = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string&) {
        if (!userInfo(e.address).empty()) ++logins;
    });
    EXPECT_EQ(logins, 2);
}

TEST(MenuX1, ChineseAndEscapedAddresses) {
    int browse = 0, play = 0, escaped = 0, backslashed = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.isGroup() || e.address.empty()) return;
        bool chinese = hasNonAscii(e.address);
        if (chinese) (e.action == qc::Action::Play ? play : browse)++;
        if (e.address.find('%') != std::string::npos) {
            ++escaped;
            EXPECT_TRUE(chinese) << path << ": escapes go with Chinese names";
        }
        if (e.address.find('\\') != std::string::npos) {
            ++backslashed;
            // A Windows path on the server, named in the query of a RealMedia resource.
            EXPECT_EQ(e.action, qc::Action::Browse) << path;
            EXPECT_EQ(addressScheme(e.address), "http") << path;
            EXPECT_EQ(resourceType(e.address), "rm") << path;
            size_t q = e.address.find('?');
            ASSERT_NE(q, std::string::npos) << path;
            EXPECT_NE(e.address.find(":\\", q), std::string::npos) << path << ": drive letter";
            EXPECT_TRUE(chinese) << path;
        }
    });
    EXPECT_EQ(browse + play, 62);
    EXPECT_EQ(browse, 48);
    EXPECT_EQ(play, 14);
    EXPECT_EQ(escaped, 9);
    EXPECT_EQ(backslashed, 2);
}

// What an address points to decides its kind.
TEST(MenuX1, KindFollowsWhatTheAddressPointsTo) {
    std::map<std::string, int> forms;
    int pagesWithNumbers = 0, pagesWithLocation = 0;
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.isGroup() || e.action == qc::Action::None) return;
        std::string scheme = addressScheme(e.address), type = addressType(e.address);
        std::string res = resourceType(e.address);
        std::string form;
        if (e.action == qc::Action::Play) {
            if (scheme == "mms" && (type == "wmv" || type == "asf")) form = "mms media";
            else if (scheme == "http" && type == "wmv") form = "http wmv";
            else if (scheme == "http" && type == "dat") form = "http dat";
        } else if (e.action == qc::Action::Browse) {
            if (scheme == "rtsp" && (type == "rm" || type == "rmvb")) form = "rtsp real";
            else if (scheme == "http" && (res == "rm" || res == "rmvb")) form = "http real";
            else if (scheme == "http" && type == "query" && (res == "asp" || res == "htm")) {
                form = "player page";
                std::string_view query = std::string_view(e.address).substr(e.address.find('?') + 1);
                if (query.find('=') != std::string_view::npos) {
                    ++pagesWithNumbers;
                    EXPECT_TRUE(query.find("id=") != std::string_view::npos) << path << ": film number";
                } else {
                    // host[:port]/path of a RealMedia file, without a scheme
                    ++pagesWithLocation;
                    EXPECT_EQ(query.find("://"), std::string_view::npos) << path;
                    std::string loc = addressType("rtsp://" + std::string(query));
                    EXPECT_TRUE(loc == "rm" || loc == "rmvb") << path;
                }
            }
        }
        EXPECT_FALSE(form.empty()) << path << ": " << e.address;
        ++forms[form];
    });
    EXPECT_EQ(forms, (std::map<std::string, int>{{"mms media", 128},
                                                 {"http wmv", 9},
                                                 {"http dat", 4},
                                                 {"rtsp real", 71},
                                                 {"http real", 40},
                                                 {"player page", 93}}));
    EXPECT_EQ(pagesWithNumbers, 88);
    EXPECT_EQ(pagesWithLocation, 5);
}

TEST(MenuX1, RecommendedMixesEntriesAndGroups) {
    const qc::Entry& picks = below("推荐片");
    std::vector<std::string> shape;
    for (const qc::Entry& c : picks.children) shape.push_back(c.caption + (c.isGroup() ? " ›" : ""));
    EXPECT_EQ(shape, (std::vector<std::string>{"十面埋伏", "华氏911 ›", "蜘蛛侠2 ›", "冰河世纪", "色即是空",
                                               "我的野蛮女友", "天地英雄", "英雄", "手机"}));
    EXPECT_EQ(below("推荐片 › 冰河世纪").action, qc::Action::Browse);
}

TEST(MenuX1, ActionChangesFromEntryToEntryOnAugust15) {
    const std::set<std::string> real = {"偷偷爱你", "星期五末日"};
    const std::set<std::string> pages = {"双龙会", "韩朝风云", "吸血鬼惊情400年", "见鬼 › 1", "见鬼 › 2"};
    int played = 0, browsed = 0;
    forEachEntry(below("最近更新 › 8月15日"), "", [&](const qc::Entry& e, const std::string& path) {
        if (e.isGroup()) return;
        if (real.count(path)) {
            ++browsed;
            EXPECT_EQ(e.action, qc::Action::Browse) << path;
            EXPECT_EQ(addressScheme(e.address), "rtsp") << path;
        } else if (pages.count(path)) {
            ++browsed;
            EXPECT_EQ(e.action, qc::Action::Browse) << path;
            EXPECT_EQ(addressScheme(e.address), "http") << path;
            EXPECT_EQ(addressType(e.address), "query") << path;
        } else {
            ++played;
            EXPECT_EQ(e.action, qc::Action::Play) << path;
        }
    });
    EXPECT_EQ(browsed, 7);
    EXPECT_EQ(played, 18);
}

TEST(MenuX1, UnusualCaptionsAreKept) {
    EXPECT_EQ(below("最近更新 › 8月15日 › 逃学正转").caption, "逃学正转");
    // 仙境传说 in three parts and 仙景传说 in two are different films.
    EXPECT_EQ(below("最近更新 › 8月15日 › 仙境传说").children.size(), 3u);
    EXPECT_EQ(below("科幻片 › A影院 › 仙景传说").children.size(), 2u);
    EXPECT_NE(below("最近更新 › 8月15日 › 仙境传说 › 1").address, below("科幻片 › A影院 › 仙景传说 › 1").address);
    EXPECT_EQ(below("科幻片 › B影院 › 人猿蚝星球").caption, "人猿蚝星球");
    EXPECT_EQ(below("爱情片 › B影院 › 美丽的慌言").caption, "美丽的慌言");
    EXPECT_EQ(below("奥斯卡影片 › B 院 › 左拉转").action, qc::Action::Play);
    EXPECT_EQ(below("爱情片 › A影院 › [粤语]生死速遞").action, qc::Action::Browse);
    EXPECT_EQ(below("科幻片 › A影院 › 变种DNA 3").action, qc::Action::None);
    EXPECT_EQ(below("科幻片 › A影院 › 时空特警 2").action, qc::Action::None);
    EXPECT_EQ(below("喜剧片 › A影院 › 多啦A梦 (1)").action, qc::Action::Browse);
    const qc::Entry& jackie = below("动作片 › A影院 › 成龙系列/龙旋风");
    EXPECT_TRUE(jackie.isGroup());
    EXPECT_EQ(jackie.children.size(), 2u);
    // The halls of 奥斯卡影片 are spelled with a blank, those of the genres without.
    EXPECT_EQ(listedChildren(below("奥斯卡影片")), (std::vector<std::string>{"A 院", "B 院"}));
    EXPECT_EQ(listedChildren(below("动作片")), (std::vector<std::string>{"A影院", "B影院"}));
    // No caption has been "corrected" or trimmed.
    forEachEntry(filmsMenu(), "", [&](const qc::Entry& e, const std::string& path) {
        EXPECT_NE(e.caption, "逃学正传") << path;
        EXPECT_NE(e.caption, "美丽的谎言") << path;
        EXPECT_NE(e.caption, "变种DNA3") << path;
        EXPECT_FALSE(e.caption.empty()) << path;
        EXPECT_NE(e.caption.back(), ' ') << path;
    });
}
