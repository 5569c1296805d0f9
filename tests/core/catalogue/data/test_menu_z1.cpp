// 网络电视: live stations by region and theme, with one hidden group.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Entry& tv() { return at({"网络电视"}); }

char kindOf(const qc::Entry& e) {
    if (!e.visible) return 'H';
    if (e.isGroup()) return 'G';
    switch (e.action) {
    case qc::Action::Play: return 'P';
    case qc::Action::Browse: return 'B';
    case qc::Action::Game: return 'X';
    case qc::Action::About: return 'A';
    case qc::Action::None: break;
    }
    return '-';
}

// Every group of the menu with its children in order: 'G' group, 'H' hidden, else the leaf's tag.
struct Listed {
    std::vector<std::string_view> path;
    std::vector<std::pair<std::string_view, char>> children;
};
const std::vector<Listed>& groupsInOrder() {
    static const std::vector<Listed> groups = {
        {{"网络电视"},
         {{"大陆电视台", 'G'},
          {"港澳电视台", 'G'},
          {"台湾电视台", 'G'},
          {"国外电视台", 'G'},
          {"体育电视台", 'G'},
          {"电影娱乐台", 'G'},
          {"网络电视台", 'G'},
          {"成人电视台", 'H'},
          {"靓MM聊天台", 'P'}}},
        {{"网络电视", "大陆电视台"},
         {{"中央电视台", 'G'},
          {"北京市", 'G'},
          {"上海市", 'G'},
          {"广东省", 'G'},
          {"浙江省", 'G'},
          {"江苏省", 'G'},
          {"辽宁省", 'G'},
          {"湖北省", 'G'},
          {"湖南省", 'G'},
          {"江西省", 'G'},
          {"陕西省", 'G'},
          {"山东省", 'G'},
          {"河北省", 'G'},
          {"其它", 'G'}}},
        {{"网络电视", "大陆电视台", "中央电视台"},
         {{"CCTV-1", 'P'},
          {"CCTV-2", 'P'},
          {"CCTV-3", 'G'},
          {"CCTV-4", 'P'},
          {"CCTV-5", 'P'},
          {"CCTV-6", 'P'},
          {"CCTV-7", 'B'},
          {"CCTV-8", 'P'},
          {"CCTV-9", 'P'},
          {"CCTV-10", 'B'},
          {"CCTV-11", 'B'},
          {"CCTV-12", 'B'},
          {"新闻频道", 'P'},
          {"少儿频道", 'P'},
          {"动画频道", 'P'},
          {"地理频道", 'B'}}},
        {{"网络电视", "大陆电视台", "中央电视台", "CCTV-3"}, {{"地址一", 'P'}, {"地址二", 'P'}}},
        {{"网络电视", "大陆电视台", "北京市"},
         {{"北京卫视", 'B'}, {"北京1台", 'P'}, {"北京2台", 'P'}, {"北京体育台", 'P'}}},
        {{"网络电视", "大陆电视台", "上海市"},
         {{"上海东方卫视", 'B'},
          {"东方电视剧频道", 'B'},
          {"上海生活时尚台", 'B'},
          {"东方新闻娱乐台", 'B'},
          {"上海东方音乐台", 'B'},
          {"上海财经电视台", 'P'},
          {"上海热线女性台", 'P'},
          {"上海热线综合台", '-'},
          {"上海热线时装台", 'P'},
          {"上海热线电影台", 'P'},
          {"上海热线音乐台", 'P'},
          {"上海热线时尚台", 'P'},
          {"上海热线影视台", 'P'},
          {"上海热线卡通台", 'P'},
          {"上海文艺电视台", 'B'},
          {"上海新闻综合台", 'B'},
          {"上海第一财经频道", 'P'},
          {"上海宽频电视", 'P'},
          {"东方少儿频道", 'B'}}},
        {{"网络电视", "大陆电视台", "广东省"},
         {{"广东卫星电视台", 'B'},
          {"广东南方都市台", 'P'},
          {"广州电视台", 'G'},
          {"广东体育台", 'P'},
          {"深圳电视1台", 'B'},
          {"深圳电视2台", 'B'},
          {"东莞电视1台", 'P'},
          {"东莞影视台", 'P'},
          {"汕头台公共频道", 'P'},
          {"汕头生活经济台", 'P'},
          {"恩平影视剧频道", 'P'}}},
        {{"网络电视", "大陆电视台", "广东省", "广州电视台"},
         {{"地址一", 'P'}, {"地址二", 'P'}, {"地址三", 'P'}, {"地址四", 'P'}}},
        {{"网络电视", "大陆电视台", "浙江省"},
         {{"浙江卫视", 'B'},       {"浙江电视第五台", 'P'}, {"浙江电视体育台", 'P'}, {"浙江经济生活台", 'B'},
          {"浙江科技教育台", 'B'}, {"浙江宁波电影台", 'P'}, {"浙江西湖明珠台", 'B'}, {"浙江新闻综合台", 'P'},
          {"浙江影视文艺台", 'P'}, {"浙江舟山普陀台", 'P'}, {"杭州电视1台", 'B'},    {"杭州市生活频道", 'P'},
          {"杭州市影视频道", 'P'}, {"杭州电视剧频道", 'P'}, {"浙江前江都市台", 'B'}, {"丽水电视台一套", 'P'},
          {"丽水电视台二套", 'P'}, {"丽水影视剧频道", 'P'}, {"丽水新闻综合台", 'P'}, {"宁波电视剧频道", 'P'},
          {"宁波台电影频道", 'P'}, {"宁波电视综合台", 'P'}, {"温州新闻综合台", 'B'}, {"温州经济科教", 'B'}}},
        {{"网络电视", "大陆电视台", "江苏省"},
         {{"江苏卫视", 'P'},
          {"江苏城市频道", 'P'},
          {"江苏南阳电视台", 'P'},
          {"江苏影视频道", 'P'},
          {"江苏综艺频道", 'P'},
          {"南京影视剧频道", 'P'},
          {"南京新闻综合台", 'P'},
          {"南京市第18频道", 'G'},
          {"南京影视娱乐台", 'P'},
          {"常州市电视一台", 'P'},
          {"常州市电视二台", 'P'},
          {"常州市电视三台", 'P'},
          {"常州市电视四台", 'P'},
          {"无锡影视剧频道", 'P'},
          {"无锡公共电视台", 'P'},
          {"无锡台综合频道", 'P'}}},
        {{"网络电视", "大陆电视台", "江苏省", "南京市第18频道"}, {{"地址一", 'P'}, {"地址二", 'P'}}},
        {{"网络电视", "大陆电视台", "辽宁省"},
         {{"辽宁卫视", 'B'},
          {"辽宁都市生活台", 'P'},
          {"辽宁经济生活台", 'P'},
          {"辽宁科学教育台", 'P'},
          {"辽宁新闻综合台", 'P'},
          {"辽宁综合影视台", 'P'},
          {"大连生活台", 'B'}}},
        {{"网络电视", "大陆电视台", "湖北省"},
         {{"湖北卫视", 'P'}, {"湖北一套综合台", 'P'}, {"湖北电视剧频道", 'P'}, {"湖北台影视频道", 'P'}}},
        {{"网络电视", "大陆电视台", "湖南省"},
         {{"湖南卫视", 'B'},
          {"湖南娱乐频道", 'P'},
          {"湖南经济都市台", 'P'},
          {"湖南经济生活台", 'P'},
          {"湖南经济财经台", 'P'},
          {"湖南经视台", 'P'}}},
        {{"网络电视", "大陆电视台", "江西省"}, {{"江西卫视", 'P'}, {"江西电视第三台", 'P'}, {"江西电视第四台", 'P'}}},
        {{"网络电视", "大陆电视台", "陕西省"},
         {{"陕西卫视", 'P'},
          {"陕西体育台", 'P'},
          {"陕西都市影视台", 'P'},
          {"陕西都市青春台", 'P'},
          {"西安白鸽都市台", 'P'},
          {"西安新闻综合台", 'P'},
          {"西安电视台六套", 'P'}}},
        {{"网络电视", "大陆电视台", "山东省"},
         {{"山东卫视", 'B'},
          {"广电电影频道", 'P'},
          {"齐鲁电视台", 'P'},
          {"青岛电视台", 'P'},
          {"青岛影视剧频道", 'P'},
          {"青岛新闻综合台", 'P'}}},
        {{"网络电视", "大陆电视台", "河北省"}, {{"河北卫视", 'P'}, {"石家庄影视频道", 'P'}, {"石家庄都市频道", 'P'}}},
        {{"网络电视", "大陆电视台", "其它"},
         {{"安徽卫视", 'B'},
          {"重庆卫视", 'B'},
          {"重庆娱乐台", 'P'},
          {"甘肃卫视", 'B'},
          {"广西卫视", 'B'},
          {"黑龙江卫视", 'B'},
          {"吉林卫视", 'B'},
          {"内蒙古卫视", 'B'},
          {"宁夏卫视", 'B'},
          {"云南卫视", 'B'},
          {"福建东南台", 'B'},
          {"河南南阳台", 'P'},
          {"海南旅游卫视", 'B'},
          {"眉山公共台", 'P'},
          {"公共城市互动台", 'P'}}},
        {{"网络电视", "港澳电视台"},
         {{"凤凰卫视中文台", 'G'},
          {"凤凰卫视资讯台", 'P'},
          {"凤凰卫视咨迅台2", 'P'},
          {"凤凰卫视咨迅台3", 'P'},
          {"凤凰电影台", 'P'},
          {"HBO中文字幕", 'P'},
          {"ESPN", 'P'},
          {"starmovies", 'P'},
          {"星空卫视", 'P'},
          {"星空体育", 'P'},
          {"香港本港台", 'P'},
          {"香港翡翠台", 'P'},
          {"阳光卫视", 'P'},
          {"东亚卫视", 'B'},
          {"CHANNEL-V音乐台", 'P'},
          {"美亚电影", 'P'},
          {"香港新城财经", 'P'},
          {"香港新城娱乐", 'P'},
          {"TVB8", 'B'},
          {"TVB星河", 'B'},
          {"未来电影城", 'P'},
          {"新卡通卫视", 'P'},
          {"YES音乐台", 'P'},
          {"香港创世卫视", 'P'},
          {"新唐人电视台", 'P'},
          {"动感电影台", 'P'},
          {"澳门新闻台", 'P'},
          {"澳门新闻档案台", 'P'}}},
        {{"网络电视", "港澳电视台", "凤凰卫视中文台"},
         {{"地址一", 'P'}, {"地址二", 'P'}, {"地址三", 'P'}, {"地址四", 'P'}, {"清晰..", 'B'}}},
        {{"网络电视", "台湾电视台"},
         {{"东方卫视", 'B'},       {"华娱卫视", 'P'},        {"华娱卫视2", 'B'},      {"台湾华视", 'P'},
          {"台湾民视", 'P'},       {"大爱电视台", 'P'},      {"东森电影台", 'P'},     {"台湾电影预告台", 'P'},
          {"台湾年代新闻台", 'P'}, {"非凡财经电视台", 'P'},  {"TVBS电视台", 'P'},     {"台湾人间电视台", 'P'},
          {"台湾综艺电影台", 'P'}, {"台湾客家电视台", 'P'},  {"台湾综艺台", 'P'},     {"台湾MTV", 'P'},
          {"台湾东森综合台", 'P'}, {"台湾东森新闻S台", 'P'}, {"台湾非凡电视台", 'P'}, {"台湾华视夜间台", 'P'},
          {"中天新闻台", 'B'},     {"中天新闻台2", 'P'},     {"中广网络电视", 'P'}}},
        {{"网络电视", "国外电视台"},
         {{"美国电视台", 'G'}, {"日本电视台", 'G'}, {"韩国电视台", 'G'}, {"待续....", '-'}}},
        {{"网络电视", "国外电视台", "美国电视台"},
         {{"美国音乐电视台", 'P'},
          {"美国音乐台2", 'B'},
          {"美国JC音乐台", 'B'},
          {"美国电视台", 'P'},
          {"美国儿童台", 'P'},
          {"美国探索频道", 'P'},
          {"美国CNBC电视台", 'P'},
          {"美国CNN有线网", 'P'},
          {"美国CSPN-2频道", 'P'},
          {"美国BYTV电视台", 'P'},
          {"美国草莓电视台", 'P'},
          {"好莱坞电影台", 'P'},
          {"CNN", 'P'},
          {"BBC", 'P'},
          {"Discovery", 'P'},
          {"CHANNEL[V]", 'B'},
          {"Arirang TV1", 'B'},
          {"Arirang TV2", 'B'}}},
        {{"网络电视", "国外电视台", "日本电视台"},
         {{"日本NBS台", 'P'},
          {"日本印象", 'P'},
          {"日本LFXTV2", 'P'},
          {"大阪电视台", 'P'},
          {"冲绳电视台", 'P'},
          {"日本NHK女性频道", 'P'},
          {"ChannelJ游戏频道", 'P'},
          {"日本FNN电视台", 'P'},
          {"东京电视台", 'P'}}},
        {{"网络电视", "国外电视台", "韩国电视台"},
         {{"韩国电影一台", 'P'},
          {"韩国电影二台", 'P'},
          {"韩国电视三台", 'P'},
          {"韩国电视五台", 'P'},
          {"韩国电视六台", 'P'},
          {"韩国电视八台", 'P'},
          {"韩国电视九台", 'P'},
          {"韩国游戏一台", 'P'},
          {"韩国游戏二台", 'P'},
          {"韩国游戏三台", 'P'},
          {"韩国游戏四台", 'P'},
          {"韩国YTN新闻网", 'P'},
          {"韩国KTV电视台", 'P'}}},
        {{"网络电视", "体育电视台"},
         {{"中央体育频道", 'P'}, {"星空体育频道", 'P'},   {"星空体育台2", 'P'}, {"ESPN体育台", 'G'},
          {"广东体育台", 'P'},   {"上海体育台", 'B'},     {"北京体育台", 'P'},  {"浙江体育台", 'B'},
          {"江苏体育台", 'P'},   {"江苏体育休闲台", 'P'}, {"UBC体育频道", 'P'}, {"安徽体育台", 'P'},
          {"安徽文体台", 'P'},   {"东方体育台", 'P'},     {"广西体育台", 'P'},  {"宁波体育台", 'P'},
          {"辽宁体育台", 'P'},   {"辽宁竞技台", 'P'},     {"陕西体育台", 'P'},  {"欧洲杯经典下载", 'B'}}},
        {{"网络电视", "体育电视台", "ESPN体育台"}, {{"地址一", 'P'}, {"地址二", 'P'}, {"地址三", 'P'}}},
        {{"网络电视", "电影娱乐台"},
         {{"高清晰电影台", 'B'},
          {"中央电影台", 'P'},
          {"HBO电影台（好）", 'B'},
          {"好莱坞电影台", 'P'},
          {"凤凰电影台", 'P'},
          {"甬城电影频道", 'P'},
          {"甬城影视频道", 'P'},
          {"美亚华语电影", 'P'},
          {"东森电影台", 'P'},
          {"高清晰音乐台", 'P'},
          {"DVB 电影频道", 'P'},
          {"新卫视卡通台", 'P'},
          {"浙江影视台", 'B'},
          {"上海电视剧", 'B'},
          {"南京电影台", 'P'},
          {"Cinemax", 'P'},
          {"动作影厅", 'P'},
          {"动感电影", 'P'}}},
        {{"网络电视", "网络电视台"},
         {{"中国网络电视台", 'P'},
          {"汽车频道", 'P'},
          {"法制在线", 'P'},
          {"教育频道", 'P'},
          {"何炅专集发布会", 'P'},
          {"吉米谈化装", 'P'},
          {"模特大赛总决赛", 'P'},
          {"井冈山旅游指南", 'P'},
          {"广州白云山简介", 'P'},
          {"父母大学讲座", 'P'},
          {"快乐亲子教育", 'P'},
          {"舟山魅力", 'P'},
          {"舟山渔民画", 'P'},
          {"桃花湾MTV", 'P'}}}};
    return groups;
}

const qc::Entry& byPath(const std::vector<std::string_view>& path) {
    const qc::Entry* e = &at({path.front()});
    for (size_t i = 1; i < path.size(); ++i) e = &at(*e, {path[i]});
    return *e;
}

// All leaves below `e`, hidden ones included.
void allLeaves(const qc::Entry& e, std::vector<const qc::Entry*>& out) {
    if (!e.isGroup()) {
        out.push_back(&e);
        return;
    }
    for (const qc::Entry& c : e.children) allLeaves(c, out);
}

}  // namespace

TEST(MenuZ1, DirectChildrenMatchTheirTable) {
    expectChildren(
        tv(),
        {
            {"大陆电视台", 146, "P 105, B 40, - 1", "http 123, mms 13, mmst 3, rtsp 2",
             "asx 79, htm 38, (none) 9, query 9, (empty) 4, asf 3, rm 2, (dir) 1"},
            {"港澳电视台", 32, "P 28, B 4", "http 26, mms 5, mmst 1", "asx 20, (none) 4, asf 3, htm 3, asp 1, query 1"},
            {"台湾电视台", 23, "P 20, B 3", "http 20, mms 3", "asx 16, htm 3, asf 2, (none) 1, query 1"},
            {"国外电视台", 41, "P 35, B 5, - 1", "http 28, mms 11",
             "asx 19, (none) 7, htm 5, wmv 4, asf 2, query 2, (empty) 1"},
            {"体育电视台", 22, "P 19, B 3", "http 17, mms 5", "asx 14, (none) 3, htm 2, (dir) 1, asf 1, shtml 1"},
            {"电影娱乐台", 18, "P 14, B 4", "http 9, mms 6, rtsp 1",
             "asx 6, asf 4, (empty) 2, htm 2, query 2, (none) 1, rm 1"},
            {"网络电视台", 14, "P 14", "http 13, mms 1", "query 13, wmv 1"},
            {"成人电视台", 14, "", "", ""},
            {"靓MM聊天台", 1, "P 1", "mms 1", "wav 1"},
        });
}

TEST(MenuZ1, WholeMenuCounts) {
    Summary s = summarize(tv());
    EXPECT_EQ(s.entries, 311);
    EXPECT_EQ(s.kinds, counts("P 236, B 59, - 2"));
    int groups = 0, hiddenGroups = 0, deepest = 0;
    std::function<void(const qc::Entry&, int)> walk = [&](const qc::Entry& e, int depth) {
        deepest = std::max(deepest, depth);
        if (e.isGroup() && depth > 1) {
            ++groups;
            hiddenGroups += !e.visible;
        }
        for (const qc::Entry& c : e.children) walk(c, depth + 1);
    };
    walk(tv(), 1);
    EXPECT_EQ(groups, 30);
    EXPECT_EQ(hiddenGroups, 1);
    EXPECT_EQ(deepest, 5);
}

TEST(MenuZ1, EveryGroupHoldsItsListedChildrenInOrder) {
    size_t leaves = 0;
    for (const Listed& g : groupsInOrder()) {
        const qc::Entry& e = byPath(g.path);
        SCOPED_TRACE(std::string(g.path.back()));
        ASSERT_EQ(e.children.size(), g.children.size());
        for (size_t i = 0; i < g.children.size(); ++i) {
            EXPECT_EQ(e.children[i].caption, g.children[i].first) << "child " << i + 1;
            EXPECT_EQ(kindOf(e.children[i]), g.children[i].second) << e.children[i].caption;
            leaves += g.children[i].second != 'G' && g.children[i].second != 'H';
        }
    }
    EXPECT_EQ(groupsInOrder().size(), 30u);  // the menu itself and its 29 visible groups
    EXPECT_EQ(leaves, 297u);
}

TEST(MenuZ1, AddressFormsOfTheVisibleEntries) {
    std::map<std::string, int> forms;
    int slashAsf = 0, tokens = 0, emptyPlays = 0;
    const std::regex token(R"(\?(uid|userid|user)=\d+&(token|key)=[0-9a-f]{32}$)");
    for (const qc::Entry* e : visibleLeaves(tv())) {
        if (e->action == qc::Action::None) {
            EXPECT_TRUE(e->address.empty()) << e->caption;
            continue;
        }
        EXPECT_EQ(e->address.find(' '), std::string::npos) << e->address;
        if (e->address.empty()) {
            EXPECT_EQ(e->action, qc::Action::Play) << e->caption;
            ++emptyPlays;
            continue;
        }
        std::string key =
            std::string(qc::actionName(e->action)) + " " + addressScheme(e->address) + " " + addressType(e->address);
        ++forms[key];
        if (e->address.size() > 5 && e->address.ends_with("/.asf")) ++slashAsf;
        if (std::regex_search(e->address, token)) {
            ++tokens;
            EXPECT_TRUE(e->address.starts_with("mms://") || e->address.starts_with("mmst://")) << e->address;
        }
    }
    std::map<std::string, int> expected = {
        {"play http asx", 154},  {"play http query", 22},  {"play http (none)", 3},  {"play http asp", 1},
        {"play mms (none)", 20}, {"play mms asf", 15},     {"play mms wmv", 5},      {"play mms wav", 1},
        {"play mms (dir)", 2},   {"play mms query", 2},    {"play mmst query", 2},   {"play mmst (none)", 2},
        {"browse http htm", 53}, {"browse http query", 2}, {"browse http shtml", 1}, {"browse rtsp rm", 3},
    };
    EXPECT_EQ(forms, expected);
    EXPECT_EQ(slashAsf, 9);
    EXPECT_EQ(tokens, 4);
    EXPECT_EQ(emptyPlays, 7);
}

TEST(MenuZ1, ServerAddressesAndRtspStreamsCarryPorts) {
    // The two mms "(dir)" addresses name a server with a port and "/" or nothing after it.
    const std::regex server(R"(^mms://[^/]+:\d+/?$)");
    int servers = 0;
    for (const qc::Entry* e : visibleLeaves(tv()))
        if (addressScheme(e->address) == "mms" && addressType(e->address) == "(dir)") {
            ++servers;
            EXPECT_TRUE(std::regex_match(e->address, server)) << e->address;
        }
    EXPECT_EQ(servers, 2);
    const std::regex rtsp(R"(^rtsp://[^/]+:\d+/.+\.rm$)");
    for (const qc::Entry* e : {&at({"网络电视", "大陆电视台", "广东省", "深圳电视1台"}),
                               &at({"网络电视", "大陆电视台", "广东省", "深圳电视2台"})}) {
        EXPECT_EQ(e->action, qc::Action::Browse) << e->caption;
        EXPECT_TRUE(std::regex_match(e->address, rtsp)) << e->address;
    }
    int rtspInFilms = 0;
    for (const qc::Entry* e : visibleLeaves(at({"网络电视", "电影娱乐台"})))
        if (addressScheme(e->address) == "rtsp") {
            ++rtspInFilms;
            EXPECT_EQ(e->action, qc::Action::Browse);
            EXPECT_TRUE(std::regex_match(e->address, rtsp)) << e->address;
        }
    EXPECT_EQ(rtspInFilms, 1);
}

TEST(MenuZ1, EntriesThatPlayTheSameAddress) {
    const std::vector<std::vector<const qc::Entry*>> shared = {
        {&at({"网络电视", "大陆电视台", "中央电视台", "CCTV-3", "地址二"}),
         &at({"网络电视", "大陆电视台", "中央电视台", "新闻频道"})},
        {&at({"网络电视", "大陆电视台", "中央电视台", "CCTV-5"}), &at({"网络电视", "体育电视台", "中央体育频道"})},
        {&at({"网络电视", "大陆电视台", "中央电视台", "CCTV-6"}), &at({"网络电视", "电影娱乐台", "中央电影台"})},
        {&at({"网络电视", "大陆电视台", "上海市", "东方电视剧频道"}), &at({"网络电视", "电影娱乐台", "上海电视剧"})},
        {&at({"网络电视", "大陆电视台", "江苏省", "江苏南阳电视台"}),
         &at({"网络电视", "大陆电视台", "其它", "河南南阳台"})},
        {&at({"网络电视", "大陆电视台", "江苏省", "南京影视娱乐台"}), &at({"网络电视", "电影娱乐台", "南京电影台"})},
        {&at({"网络电视", "港澳电视台", "动感电影台"}), &at({"网络电视", "电影娱乐台", "动感电影"})},
        {&at({"网络电视", "台湾电视台", "东森电影台"}), &at({"网络电视", "电影娱乐台", "东森电影台"})},
        {&at({"免费体验", "江苏体育台"}), &at({"网络电视", "体育电视台", "江苏体育台"}),
         &at({"网络电视", "体育电视台", "江苏体育休闲台"})},
        {&at({"免费体验", "阳光卫视", "地址二"}), &at({"网络电视", "港澳电视台", "阳光卫视"})},
        {&at({"免费体验", "东莞电视台"}), &at({"网络电视", "大陆电视台", "广东省", "东莞电视1台"})},
        {&at({"免费体验", "韩国KTV电视台"}), &at({"网络电视", "国外电视台", "韩国电视台", "韩国KTV电视台"})},
    };
    for (const auto& line : shared) {
        SCOPED_TRACE(line.back()->caption);
        EXPECT_FALSE(line.front()->address.empty());
        for (const qc::Entry* e : line) {
            EXPECT_EQ(e->address, line.front()->address) << e->name;
            EXPECT_EQ(e->action, line.front()->action) << e->name;
        }
    }
    EXPECT_EQ(at({"网络电视", "电影娱乐台", "上海电视剧"}).action, qc::Action::Browse);
    // Apart from these, every address of the menu is its own: 288 addresses, 9 of them repeated.
    std::set<std::string> distinct;
    int withAddress = 0;
    for (const qc::Entry* e : visibleLeaves(tv()))
        if (!e->address.empty()) {
            ++withAddress;
            distinct.insert(e->address);
        }
    EXPECT_EQ(withAddress, 288);
    EXPECT_EQ(distinct.size(), 279u);
}

TEST(MenuZ1, PlayEntriesWithAnEmptyAddress) {
    const std::vector<const qc::Entry*> empty = {
        &at({"网络电视", "大陆电视台", "北京市", "北京1台"}),
        &at({"网络电视", "大陆电视台", "北京市", "北京2台"}),
        &at({"网络电视", "大陆电视台", "北京市", "北京体育台"}),
        &at({"网络电视", "大陆电视台", "河北省", "河北卫视"}),
        &at({"网络电视", "国外电视台", "美国电视台", "好莱坞电影台"}),
        &at({"网络电视", "电影娱乐台", "好莱坞电影台"}),
        &at({"网络电视", "电影娱乐台", "高清晰音乐台"}),
    };
    std::set<const qc::Entry*> listed(empty.begin(), empty.end());
    for (const qc::Entry* e : empty) {
        EXPECT_EQ(e->action, qc::Action::Play) << e->caption;
        EXPECT_TRUE(e->address.empty()) << e->caption;
    }
    // No other visible play entry of the menu goes without an address.
    for (const qc::Entry* e : visibleLeaves(tv()))
        if (e->action == qc::Action::Play && !listed.count(e)) {
            EXPECT_FALSE(e->address.empty()) << e->caption;
        }
}

TEST(MenuZ1, LeavesWithoutAction) {
    std::vector<std::string> none;
    for (const qc::Entry* e : visibleLeaves(tv()))
        if (e->action == qc::Action::None) none.push_back(e->caption);
    EXPECT_EQ(none, (std::vector<std::string>{"上海热线综合台", "待续...."}));
    EXPECT_EQ(at({"网络电视", "大陆电视台", "上海市", "上海热线综合台"}).action, qc::Action::None);
    const qc::Entry& foreign = at({"网络电视", "国外电视台"});
    EXPECT_EQ(foreign.children.back().caption, "待续....");
    EXPECT_EQ(foreign.children.back().action, qc::Action::None);
    EXPECT_TRUE(foreign.children.back().address.empty());
}

TEST(MenuZ1, HiddenAdultGroup) {
    const qc::Entry& menu = tv();
    int shown = 0;
    for (const qc::Entry& c : menu.children) shown += c.visible;
    EXPECT_EQ(shown, 8);
    ASSERT_EQ(menu.children.size(), 9u);
    EXPECT_EQ(menu.children[6].caption, "网络电视台");
    EXPECT_EQ(menu.children[8].caption, "靓MM聊天台");
    const qc::Entry& adult = menu.children[7];
    EXPECT_EQ(adult.caption, "成人电视台");
    EXPECT_FALSE(adult.visible);
    EXPECT_TRUE(visibleLeaves(adult).empty());
    // Its 14 channels are plain leaves, visible themselves, that would play nothing.
    ASSERT_EQ(adult.children.size(), 14u);
    for (const qc::Entry& c : adult.children) {
        SCOPED_TRACE(c.caption);
        EXPECT_FALSE(c.isGroup());
        EXPECT_TRUE(c.visible);
        EXPECT_EQ(c.action, qc::Action::Play);
        EXPECT_TRUE(c.address.empty());
    }
    // It is the menu's only hidden entry.
    std::vector<const qc::Entry*> leaves;
    allLeaves(menu, leaves);
    EXPECT_EQ(leaves.size(), 311u);
    EXPECT_EQ(visibleLeaves(menu).size(), 297u);
}

TEST(MenuZ1, NeighboursThatBehaveDifferently) {
    const qc::Entry& cctv6 = at({"网络电视", "大陆电视台", "中央电视台", "CCTV-6"});
    const qc::Entry& cctv7 = at({"网络电视", "大陆电视台", "中央电视台", "CCTV-7"});
    EXPECT_EQ(cctv6.action, qc::Action::Play);
    EXPECT_EQ(addressType(cctv6.address), "asx");
    EXPECT_EQ(cctv7.action, qc::Action::Browse);
    EXPECT_EQ(addressType(cctv7.address), "htm");
    EXPECT_EQ(at({"网络电视", "大陆电视台", "中央电视台", "CCTV-12"}).name, "CCTV12");
    const qc::Entry& gd = at({"网络电视", "大陆电视台", "广东省"});
    for (std::string_view c : {"深圳电视1台", "深圳电视2台"}) {
        const qc::Entry& e = at(gd, {c});
        EXPECT_EQ(e.action, qc::Action::Browse) << c;
        EXPECT_EQ(addressScheme(e.address), "rtsp") << c;
        EXPECT_EQ(addressType(e.address), "rm") << c;
    }
    EXPECT_NE(at(gd, {"深圳电视1台"}).address, at(gd, {"深圳电视2台"}).address);
    // Their neighbours play in the embedded player.
    EXPECT_EQ(at(gd, {"广东体育台"}).action, qc::Action::Play);
    EXPECT_EQ(at(gd, {"东莞电视1台"}).action, qc::Action::Play);
}

TEST(MenuZ1, AlternativeSources) {
    const std::vector<std::pair<std::vector<std::string_view>, std::vector<std::string>>> groups = {
        {{"网络电视", "大陆电视台", "中央电视台", "CCTV-3"}, {"地址一", "地址二"}},
        {{"网络电视", "大陆电视台", "广东省", "广州电视台"}, {"地址一", "地址二", "地址三", "地址四"}},
        {{"网络电视", "大陆电视台", "江苏省", "南京市第18频道"}, {"地址一", "地址二"}},
        {{"网络电视", "港澳电视台", "凤凰卫视中文台"}, {"地址一", "地址二", "地址三", "地址四", "清晰.."}},
        {{"网络电视", "体育电视台", "ESPN体育台"}, {"地址一", "地址二", "地址三"}},
    };
    for (const auto& [path, captions] : groups) {
        const qc::Entry& g = byPath(path);
        SCOPED_TRACE(g.caption);
        EXPECT_EQ(g.action, qc::Action::None);
        std::vector<std::string> got;
        std::set<std::string> addresses;
        for (const qc::Entry& c : g.children) {
            got.push_back(c.caption);
            addresses.insert(c.address);
            EXPECT_FALSE(c.address.empty()) << c.caption;
        }
        EXPECT_EQ(got, captions);
        EXPECT_EQ(addresses.size(), captions.size());  // each source is a different address
    }
    // 凤凰卫视中文台: four sources to play, then a web player page.
    const qc::Entry& phoenix = at({"网络电视", "港澳电视台", "凤凰卫视中文台"});
    ASSERT_EQ(phoenix.children.size(), 5u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(phoenix.children[i].action, qc::Action::Play) << i;
    EXPECT_EQ(phoenix.children[4].action, qc::Action::Browse);
    EXPECT_EQ(addressType(phoenix.children[4].address), "query");
    EXPECT_NE(phoenix.children[4].address.find(".asp?"), std::string::npos) << phoenix.children[4].address;
}

TEST(MenuZ1, LevelFiveEntry) {
    const qc::Entry& first = at({"网络电视", "大陆电视台", "广东省", "广州电视台", "地址一"});
    EXPECT_EQ(first.action, qc::Action::Play);
    EXPECT_FALSE(first.address.empty());
    int depthOfFirst = 0, deepest = 0;
    qc::Catalogue::builtIn().forEach([&](const qc::Entry& e, int depth) {
        if (e.name == first.name) depthOfFirst = depth;
    });
    std::function<void(const qc::Entry&, int)> walk = [&](const qc::Entry& e, int depth) {
        deepest = std::max(deepest, depth);
        for (const qc::Entry& c : e.children) walk(c, depth + 1);
    };
    walk(tv(), 1);
    EXPECT_EQ(depthOfFirst, 5);
    EXPECT_EQ(deepest, 5);
}

TEST(MenuZ1, EqualCaptionsAreDistinctEntries) {
    const qc::Entry& bjHome = at({"网络电视", "大陆电视台", "北京市", "北京体育台"});
    const qc::Entry& bjSport = at({"网络电视", "体育电视台", "北京体育台"});
    EXPECT_TRUE(bjHome.address.empty());
    EXPECT_FALSE(bjSport.address.empty());
    EXPECT_EQ(bjSport.action, qc::Action::Play);
    const std::vector<std::pair<const qc::Entry*, const qc::Entry*>> different = {
        {&bjHome, &bjSport},
        {&at({"网络电视", "大陆电视台", "广东省", "广东体育台"}), &at({"网络电视", "体育电视台", "广东体育台"})},
        {&at({"网络电视", "大陆电视台", "陕西省", "陕西体育台"}), &at({"网络电视", "体育电视台", "陕西体育台"})},
        {&at({"网络电视", "港澳电视台", "凤凰电影台"}), &at({"网络电视", "电影娱乐台", "凤凰电影台"})},
    };
    for (const auto& [a, b] : different) {
        SCOPED_TRACE(a->caption);
        EXPECT_EQ(a->caption, b->caption);
        EXPECT_NE(a->name, b->name);
        EXPECT_NE(a->address, b->address);
    }
    // Both 好莱坞电影台 play nothing, and both 东森电影台 play one stream, yet each is its own entry.
    EXPECT_NE(at({"网络电视", "国外电视台", "美国电视台", "好莱坞电影台"}).name,
              at({"网络电视", "电影娱乐台", "好莱坞电影台"}).name);
    EXPECT_NE(at({"网络电视", "台湾电视台", "东森电影台"}).name, at({"网络电视", "电影娱乐台", "东森电影台"}).name);
    // 美国电视台 is a group of 国外电视台 and also a station inside it.
    const qc::Entry& us = at({"网络电视", "国外电视台", "美国电视台"});
    EXPECT_TRUE(us.isGroup());
    const qc::Entry& usStation = at(us, {"美国电视台"});
    EXPECT_FALSE(usStation.isGroup());
    EXPECT_EQ(usStation.action, qc::Action::Play);
    EXPECT_FALSE(usStation.address.empty());
}

TEST(MenuZ1, CaptionsKeptExactly) {
    const qc::Entry& us = at({"网络电视", "国外电视台", "美国电视台"});
    EXPECT_EQ(at(us, {"CHANNEL[V]"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"网络电视", "电影娱乐台", "HBO电影台（好）"}).action, qc::Action::Browse);
    EXPECT_EQ(at({"网络电视", "电影娱乐台", "DVB 电影频道"}).action, qc::Action::Play);
    EXPECT_EQ(at({"网络电视", "港澳电视台", "starmovies"}).action, qc::Action::Play);
    // Near misses of those captions do not exist.
    std::set<std::string> captions;
    std::function<void(const qc::Entry&)> collect = [&](const qc::Entry& e) {
        captions.insert(e.caption);
        for (const qc::Entry& c : e.children) collect(c);
    };
    collect(tv());
    for (auto miss : {"HBO电影台(好)", "DVB电影频道", "StarMovies", "Starmovies", "CHANNEL［V］"})
        EXPECT_EQ(captions.count(miss), 0u) << miss;
    for (const std::string& c : captions) {
        EXPECT_FALSE(c.empty());
        EXPECT_NE(c.front(), ' ') << c;
        EXPECT_NE(c.back(), ' ') << c;
    }
}
