// 小品相声: sketches and cross-talk by performer; mms streams play, RealMedia files go to the shell.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& comedyMenu() { return at({"小品相声"}); }

// The explicit port after the host ("" when there is none); user information is skipped.
std::string portOf(std::string_view address) {
    const std::size_t scheme = address.find("://");
    if (scheme == std::string_view::npos) return "";
    std::string_view authority = address.substr(scheme + 3);
    authority = authority.substr(0, authority.find('/'));
    const std::size_t at = authority.rfind('@');
    if (at != std::string_view::npos) authority = authority.substr(at + 1);
    const std::size_t colon = authority.find(':');
    return colon == std::string_view::npos ? "" : std::string(authority.substr(colon + 1));
}

void collectLeaves(const qc::Entry& e, std::vector<const qc::Entry*>& out) {
    for (const qc::Entry& c : e.children) {
        if (c.isGroup()) collectLeaves(c, out);
        else out.push_back(&c);
    }
}

}  // namespace

TEST(MenuN807, DirectChildrenMatchTheirTable) {
    EXPECT_TRUE(comedyMenu().visible);
    EXPECT_EQ(comedyMenu().name, "N807");
    expectChildren(comedyMenu(), {
                                     {"赵本山", 20, "B 12, P 8", "mms 8, http 6, rtsp 6", "rm 12, wmv 8"},
                                     {"陈佩斯", 24, "B 24", "http 23, rtsp 1", "rm 22, rmv 2"},
                                     {"冯巩牛群", 25, "B 24, P 1", "http 16, rtsp 6, pnm 2, mms 1", "rm 24, wmv 1"},
                                     {"高秀敏", 10, "B 10", "http 10", "rm 10"},
                                     {"巩汉林", 21, "B 21", "http 17, rtsp 4", "rm 21"},
                                     {"郭冬临", 10, "B 10", "http 10", "rm 10"},
                                     {"侯耀华", 11, "B 11", "http 11", "rm 11"},
                                     {"黄宏小品", 14, "B 14", "http 13, rtsp 1", "rm 14"},
                                     {"潘长江", 25, "B 25", "http 23, rtsp 2", "rm 25"},
                                     {"魏积安", 6, "B 6", "http 5, rtsp 1", "rm 6"},
                                     {"严顺开", 7, "B 7", "http 7", "rm 7"},
                                     {"赵丽蓉", 8, "B 8", "http 8", "rm 8"},
                                     {"其他..", 57, "B 43, P 14", "rtsp 42, mms 14, http 1", "rm 43, wmv 14"},
                                 });
    const Summary all = summarize(comedyMenu());
    EXPECT_EQ(all.entries, 238);
    EXPECT_EQ(all.kinds, counts("B 215, P 23"));
}

TEST(MenuN807, GroupsListTheirEntriesInOrder) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> listed = {
        {{"赵本山"},
         "心病 [P] · 心病2 [P] · 红高梁模特队 [P] · 红高梁模特队2 [B] · 牛大叔“提干” [B] · 卖拐 [P] · 卖 拐2 [B] · "
         "门神 [P] · 老蔫完婚 [P] · 老有少心 [P] · 我想有个家 [B] · 1+1=? [B] · 《刘老根》片头曲 [B] · "
         "《刘老根》片尾曲 [B] · 《刘老根2》片头曲 [B] · 《刘老根2》片尾曲 [B] · 《马大帅》片头曲 [B] · 卖车 [B] · "
         "老伴 [P] · 送水工 [B]"},
        {{"陈佩斯"},
         "烤羊肉串 [B] · 大变活人 [B] · 王爷邮差 [B] · 电影炮火喜剧 [B] · 吃面条 [B] · 胡椒面 [B] · 姐夫与小舅子 [B] · "
         "木匠厨师 [B] · 拍电影 [B] · 奇妙的活动照相 [B] · 摇滚指南 [B] · 宇宙体操选拔赛 [B] · 陈佩斯c [B] · 醉鬼回家 "
         "[B] · 大变活人 [B] · 见利忘义 [B] · 警察与小偷 [B] · 拟音趣话 [B] · 两个木匠 [B] · 师徒乐 [B] · 修路灯 [B] · "
         "一件小事 [B] · 袁大头外传 [B] · 主角与配角 [B]"},
        {{"冯巩牛群"},
         "面的与皇冠 [P] · 得寸进尺 [B] · 台上台下 [B] · 沙家浜 [B] · 小偷公司 [B] · 威胁 [B] · 办晚会 [B] · 拍卖 [B] "
         "· 洛桑学艺 [B] · 两人世界 [B] · 点子公司 [B] · 明天会更好 [B] · 我的儿子 [B] · 离别絮语 [B] · 坐享其成 [B] · "
         "爱的奉献 [B] · 画象 [B] · 见机行事 [B] · 我的儿子 [B] · 有问必答 [B] · 我要演警察 [B] · 我错了 [B] · "
         "言传身教 [B] · 最差先生 [B] · 让一让，生活真美好 [B]"},
        {{"高秀敏"},
         "密码 [B] · 老姑来了 [B] · 排练 [B] · 将心比心 [B] · 点歌 [B] · 安电话 [B] · 告别 [B] · 破烂王 [B] · 南方女婿 "
         "[B] · 越喝越明白 [B]"},
        {{"巩汉林"},
         "功夫令 [B] · 动物运动会 [B] · 心愿 [B] · 花盆儿 [B] · 如此竞争 [B] · 都是真情 [B] · 父子 [B] · 空对空 [B] · "
         "求求你 [B] · 比赛之前 [B] · 围群 [B] · 约法三章 [B] · 都市外乡人 [B] · 对缝 [B] · 跟踪情侣 [B] · 请您参加 "
         "[B] · 如此检查 [B] · 如此游客 [B] · 如此游客2 [B] · 游子归来 [B] · 造才公司 [B]"},
        {{"郭冬临"},
         "有事您说话 [B] · 气功探密 [B] · 得寸进尺 [B] · 台上台下 [B] · 人与猴 [B] · 旧曲新歌 [B] · 邮缘 [B] · "
         "女经理的一天 [B] · 朋友啊朋友 [B] · 欢庆 [B]"},
        {{"侯耀华"},
         "点儿点儿点儿 [B] · 拍电视 [B] · 一张伪币 [B] · 礼下于人 [B] · 乡长和八路 [B] · 808 [B] · 通知家属 [B] · "
         "现世宝 [B] · 不该如此 [B] · 现场勘查 [B] · 十二生肖大拜年 [B]"},
        {{"黄宏小品"},
         "打气儿 [B] · 打扑克 [B] · 杨白劳与黄世仁 [B] · 家有老爸 [B] · 男家属 [B] · 品茶 [B] · 泄密 [B] · 找焦点 [B] "
         "· 超生游击队 [B] · 今晚直播 [B] · 难兄难弟 [B] · 手拉手 [B] · 鞋钉 [B] · 秧歌情 [B]"},
        {{"潘长江"},
         "减肥变奏曲 [B] · 三号楼长 [B] · 减肥变奏曲2 [B] · 五千零一夜 [B] · 乡情 [B] · 随礼 [B] · 迎亲 [B] · 过河 [B] "
         "· 巧嫂解迷 [B] · 一张邮票 [B] · 导演和丈夫 [B] · 直播之前 [B] · 桥 [B] · 开学 [B] · 火的故事 [B] · 歪打正着 "
         "[B] · 歪打正着2 [B] · 市场一角 [B] · 开心时刻 [B] · 钱哪去了 [B] · 找搭挡 [B] · 五朵浪花 [B] · 手术之前 [B] "
         "· 十五分钟 [B] · 女教师与男大侠 [B]"},
        {{"魏积安"}, "比翼齐飞 [B] · 小个子兵和大个子兵 [B] · 照相 [B] · 擦皮鞋 [B] · 圆 梦 [B] · 警察与球迷 [B]"},
        {{"严顺开"},
         "爱父如爱子 [B] · 老师 [B] · 我在马路边 [B] · 残疾 [B] · 生财有道 [B] · 生财有道2 [B] · 张三其人 [B]"},
        {{"赵丽蓉"},
         "吃饺子 [B] · 功夫令 [B] · 老将出马 [B] · 小区治安员 [B] · 如此包装 [B] · 英雄母亲的一天 [B] · 打工奇遇 [B] · "
         "追星族 [B]"},
        {{"其他.."}, "A 院 [group] · B 院 [group] · C 院 [group]"},
        {{"其他..", "A 院"},
         "望媳成凤 [P] · 时代的反差 [P] · 激情依旧 [P] · 足 疗 [P] · 蜜蜂的报复 [P] · 红灯记 [P] · 洋媳妇 [P] · 隔 离 "
         "[P] · 游 戏 [P] · 谁怕贝勒爷 [B] · 打气儿 [B] · 说声对不起 [B] · 邻里之间 [B] · 戏 迷 [B] · 智力闯关 [B] · "
         "回家 [B] · 木瓜打擂 [B] · 球迷 [B] · 真情30秒 [B] · 赛马 [B] · 马年赛马 [B] · 张飞搬家 [B] · 红 娘 [B] · "
         "体操选拔赛 [B] · 圆梦 [B] · 逛北京 [B] · 擦皮鞋 [B] · 过年 [B] · 柳暗花明 [B]"},
        {{"其他..", "B 院"},
         "父子对话 [P] · 说品茶 [B] · 八和发 [B] · 朋友 [B] · 今天我上镜 [B] · 南北差异 [B] · 小眼看世界 [B] · 告别 "
         "[B] · 节日谈 [B] · 劳动号子 [B] · 学越剧 [B] · 买包子 [B] · 戏剧杂谈 [B] · 智斗 [P] · 第一针 [B] · "
         "传统与现代 [B] · 八扇屏 [B] · 吉祥数 [B] · 咱爸爸 [P]"},
        {{"其他..", "C 院"},
         "爷爷的脾气 [B] · 还钱 [B] · 反聘 [B] · 责任 [B] · 武术小品 [P] · 军营辩论会 [B] · 升国旗 [B] · 高效率的爱 "
         "[B] · 家长会 [P]"},
    };
    ASSERT_EQ(comedyMenu().children.size(), 13u);
    for (const auto& [path, entries] : listed) {
        const qc::Entry* group = &comedyMenu();
        for (const std::string& part : path) group = &at(*group, {part});
        EXPECT_EQ(rendered(*group), entries) << path.back();
        EXPECT_EQ(group->action, qc::Action::None) << path.back();
    }
}

TEST(MenuN807, ZhaoBenshanPlaysEightEntriesInThePlayer) {
    std::vector<std::string> playing;
    for (const qc::Entry& e : at({"小品相声", "赵本山"}).children) {
        if (e.action == qc::Action::Play) playing.push_back(e.caption);
        else EXPECT_EQ(e.action, qc::Action::Browse) << e.caption;
    }
    EXPECT_EQ(playing, (std::vector<std::string>{"心病", "心病2", "红高梁模特队", "卖拐", "门神", "老蔫完婚",
                                                 "老有少心", "老伴"}));
}

TEST(MenuN807, PlayIsWindowsMediaOverMmsAndBrowseIsRealMedia) {
    int play = 0, browse = 0;
    const std::set<std::string> realSchemes = {"http", "rtsp", "pnm"};
    for (const qc::Entry* e : visibleLeaves(comedyMenu())) {
        ASSERT_FALSE(e->address.empty()) << e->caption;
        const std::string scheme = addressScheme(e->address);
        const std::string type = addressType(e->address);
        if (e->action == qc::Action::Play) {
            ++play;
            EXPECT_EQ(scheme, "mms") << e->address;
            EXPECT_EQ(type, "wmv") << e->address;
        } else {
            ++browse;
            EXPECT_EQ(e->action, qc::Action::Browse) << e->caption;
            EXPECT_TRUE(realSchemes.count(scheme)) << e->address;
            EXPECT_TRUE(type == "rm" || type == "rmv") << e->address;
        }
    }
    EXPECT_EQ(play, 23);
    EXPECT_EQ(browse, 215);
}

TEST(MenuN807, EqualCaptionsKeepTheirOwnAddresses) {
    const std::vector<std::pair<const qc::Entry*, const qc::Entry*>> pairs = {
        {&at({"小品相声", "陈佩斯", "大变活人#1"}), &at({"小品相声", "陈佩斯", "大变活人#2"})},
        {&at({"小品相声", "冯巩牛群", "我的儿子#1"}), &at({"小品相声", "冯巩牛群", "我的儿子#2"})},
        {&at({"小品相声", "冯巩牛群", "得寸进尺"}), &at({"小品相声", "郭冬临", "得寸进尺"})},
        {&at({"小品相声", "冯巩牛群", "台上台下"}), &at({"小品相声", "郭冬临", "台上台下"})},
        {&at({"小品相声", "巩汉林", "功夫令"}), &at({"小品相声", "赵丽蓉", "功夫令"})},
        {&at({"小品相声", "高秀敏", "告别"}), &at({"小品相声", "其他..", "B 院", "告别"})},
        {&at({"小品相声", "黄宏小品", "打气儿"}), &at({"小品相声", "其他..", "A 院", "打气儿"})},
        {&at({"小品相声", "魏积安", "擦皮鞋"}), &at({"小品相声", "其他..", "A 院", "擦皮鞋"})},
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_NE(a, b);
        EXPECT_EQ(a->caption, b->caption);
        EXPECT_FALSE(a->address.empty()) << a->caption;
        EXPECT_NE(a->address, b->address) << a->caption;
    }
    // No two entries of the menu share an address at all.
    std::set<std::string> seen;
    for (const qc::Entry* e : visibleLeaves(comedyMenu()))
        EXPECT_TRUE(seen.insert(e->address).second) << "address used twice: " << e->address;
}

TEST(MenuN807, SharesTwoSketchesWithTheFirstMenu) {
    const qc::Entry& jiqing = at({"小品相声", "其他..", "A 院", "激情依旧"});
    const qc::Entry& xinbing = at({"小品相声", "赵本山", "心病"});
    EXPECT_FALSE(jiqing.address.empty());
    EXPECT_FALSE(xinbing.address.empty());
    EXPECT_EQ(jiqing.address, at({"免费体验", "小品相声", "激 情 依 旧"}).address);
    EXPECT_EQ(xinbing.address, at({"免费体验", "小品相声", "心病(赵本山)"}).address);
    EXPECT_EQ(jiqing.action, qc::Action::Play);
    EXPECT_EQ(xinbing.action, qc::Action::Play);
}

TEST(MenuN807, ChineseCharactersOnlyInBrowseAddressesAndStoredRaw) {
    int play = 0, browse = 0;
    for (const qc::Entry* e : visibleLeaves(comedyMenu())) {
        EXPECT_EQ(e->address.find('%'), std::string::npos) << e->address;
        if (!hasNonAscii(e->address)) continue;
        if (e->action == qc::Action::Play) ++play;
        if (e->action == qc::Action::Browse) ++browse;
    }
    EXPECT_EQ(play, 0);
    EXPECT_EQ(browse, 136);
}

TEST(MenuN807, SpecialCaptionsAreKeptExactly) {
    EXPECT_EQ(at({"小品相声", "赵本山", "卖 拐2"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"小品相声", "赵本山", "牛大叔“提干”"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"小品相声", "其他..", "A 院", "足 疗"}).action, qc::Action::Play);
    EXPECT_EQ(at({"小品相声", "魏积安", "圆 梦"}).action, qc::Action::Browse);
    // 圆 梦 and 圆梦 are two captions, not one written two ways.
    EXPECT_NE(at({"小品相声", "魏积安", "圆 梦"}).address, at({"小品相声", "其他..", "A 院", "圆梦"}).address);
}

TEST(MenuN807, SixAddressesOfTheThreeMenusNameAPort) {
    // Over 激情电影, 综艺频道 and 小品相声: 554 on five rtsp addresses, 88 on one http address.
    std::vector<const qc::Entry*> leaves;
    for (std::string_view menu : {"激情电影", "综艺频道", "小品相声"}) collectLeaves(at({menu}), leaves);
    ASSERT_EQ(leaves.size(), 150u + 67u + 238u);
    int rtsp554 = 0, http88 = 0, other = 0;
    for (const qc::Entry* e : leaves) {
        const std::string port = portOf(e->address);
        if (port.empty()) continue;
        const std::string scheme = addressScheme(e->address);
        if (scheme == "rtsp" && port == "554") ++rtsp554;
        else if (scheme == "http" && port == "88") ++http88;
        else ++other;
    }
    EXPECT_EQ(rtsp554, 5);
    EXPECT_EQ(http88, 1);
    EXPECT_EQ(other, 0);
}
