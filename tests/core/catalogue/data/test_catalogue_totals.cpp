// The catalogue as a whole: its size, its hidden and empty entries, its names, hosts and
// captions, and the addresses over all ten catalogue menus: forms, ports, paths and text.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <regex>
#include <set>

#include "core/text/gbk.h"
#include "menu_summary.h"

using namespace qctest;

namespace {

const qc::Catalogue& cat() { return qc::Catalogue::builtIn(); }

// f(entry, depth, visible): `visible` is false below any hidden entry.
void walk(const std::function<void(const qc::Entry&, int, bool)>& f) {
    std::function<void(const qc::Entry&, int, bool)> go = [&](const qc::Entry& e, int depth, bool shown) {
        shown = shown && e.visible;
        f(e, depth, shown);
        for (const qc::Entry& c : e.children) go(c, depth + 1, shown);
    };
    for (const qc::Entry& m : cat().menus()) go(m, 1, true);
}

std::string host(const std::string& address) {
    size_t start = address.find("://");
    if (start == std::string::npos) return "";
    start += 3;
    std::string authority = address.substr(start, address.find_first_of("/?", start) - start);
    authority = authority.substr(authority.rfind('@') + 1);
    return authority.substr(0, authority.find(':'));
}

bool reservedHost(const std::string& h) {
    static const std::regex names(R"(^([a-z0-9-]+\.)*(example|example\.com|example\.net|example\.org)$)");
    static const std::regex testNet(R"(^(192\.0\.2|198\.51\.100|203\.0\.113)\.([0-9]{1,3})$)");
    std::smatch m;
    if (std::regex_match(h, m, testNet)) return std::stoi(m[2]) <= 255;
    return std::regex_match(h, names);
}

// The parts of an address as stored: "rtsp://user:pw@host:554/a/b.rm?q" -> scheme "rtsp",
// user info "user:pw", host "host", port "554", path "/a/b.rm", query "q".
struct Parts {
    std::string scheme, userInfo, host, port, path, query;
};

Parts parts(const std::string& address) {
    static const std::regex form(R"(^([a-z]+)://(?:([^/?@]*)@)?([^/?:]*)(?::([0-9]+))?([^?]*)(?:\?(.*))?$)");
    std::smatch m;
    if (!std::regex_match(address, m, form)) return {};
    return {m[1], m[2], m[3], m[4], m[5], m[6]};
}

// Visible entries of the ten catalogue menus that act on an address (金牌间谍 among them).
std::vector<const qc::Entry*> visibleAddresses() {
    std::vector<const qc::Entry*> found;
    std::function<void(const qc::Entry&)> go = [&](const qc::Entry& e) {
        if (!e.visible) return;
        if (!e.address.empty()) found.push_back(&e);
        for (const qc::Entry& c : e.children) go(c);
    };
    for (const qc::Entry& m : cat().menus())
        if (m.name != "N4") go(m);
    return found;
}

}  // namespace

TEST(Catalogue, ElevenMenusTheirNamesCaptionsAndVisibility) {
    std::vector<std::string> got;
    for (const qc::Entry& m : cat().menus()) got.push_back(m.name + " " + m.caption + (m.visible ? "" : " (hidden)"));
    EXPECT_EQ(got, (std::vector<std::string>{"N3 免费体验", "N10 免费电台", "z1 网络电视", "N2 激情电影 (hidden)",
                                             "N1 综艺频道", "N807 小品相声", "x1 在线电影", "c1 电视剧",
                                             "N773 影视下载", "N1554 休闲游戏", "N4 帮助"}));
}

TEST(Catalogue, SizeAndTheEntriesThatAreHiddenEmptyOrWithoutAction) {
    int entries = 0, groups = 0, leaves = 0, hidden = 0, emptyPlays = 0, visibleEmptyPlays = 0;
    int noAction = 0, visibleNoAction = 0, deepest = 0;
    std::map<qc::Action, int> visibleKinds;
    walk([&](const qc::Entry& e, int depth, bool shown) {
        ++entries;
        deepest = std::max(deepest, depth);
        hidden += !e.visible;
        if (e.isGroup()) {
            groups += depth > 1;
            return;
        }
        ++leaves;
        if (e.action == qc::Action::Play && e.address.empty()) {
            ++emptyPlays;
            visibleEmptyPlays += shown;
        }
        if (e.action == qc::Action::None) {
            ++noAction;
            visibleNoAction += shown;
        }
        if (shown) ++visibleKinds[e.action];
    });
    EXPECT_EQ(entries, 2131);
    EXPECT_EQ(groups, 242);
    EXPECT_EQ(leaves, 1878);
    EXPECT_EQ(hidden, 18);
    EXPECT_EQ(emptyPlays, 29);
    EXPECT_EQ(visibleEmptyPlays, 15);
    EXPECT_EQ(noAction, 229);
    EXPECT_EQ(visibleNoAction, 228);
    EXPECT_EQ(deepest, 5);
    // Over the ten catalogue menus, and the Help menu's three pages and its About entry.
    EXPECT_EQ(visibleKinds[qc::Action::Play], 677);
    EXPECT_EQ(visibleKinds[qc::Action::Browse], 692 + 3);
    EXPECT_EQ(visibleKinds[qc::Action::Game], 88);
    EXPECT_EQ(visibleKinds[qc::Action::About], 1);
}

TEST(Catalogue, OnlyOneGroupCarriesAnAction) {
    std::vector<std::string> acting;
    walk([&](const qc::Entry& e, int, bool) {
        if (e.isGroup() && e.action != qc::Action::None)
            acting.push_back(e.caption + " " + std::string(qc::actionName(e.action)));
    });
    EXPECT_EQ(acting, std::vector<std::string>{"金牌间谍 browse"});
    for (const qc::Entry& m : cat().menus()) EXPECT_EQ(m.action, qc::Action::None);
}

TEST(Catalogue, NamesCaptionsAndAddressesAreWellFormed) {
    std::set<std::string> names;
    int trailing = 0;
    walk([&](const qc::Entry& e, int, bool) {
        EXPECT_TRUE(names.insert(e.name).second) << e.name;
        EXPECT_EQ(e.caption.find('&'), std::string::npos) << e.caption;
        EXPECT_NE(e.caption.front(), ' ') << e.name;
        trailing += e.caption.back() == ' ';
        // Every caption is representable in GBK.
        EXPECT_EQ(qc::gbkToUtf8(qc::utf8ToGbk(e.caption)), e.caption) << e.name;
        if (!e.address.empty()) {
            EXPECT_EQ(e.address.find(' '), std::string::npos) << e.address;
            EXPECT_TRUE(reservedHost(host(e.address))) << e.name << " " << e.address;
        }
    });
    EXPECT_EQ(names.size(), 2131u);
    EXPECT_EQ(trailing, 0);  // captions are stored without trailing blanks
}

TEST(Catalogue, AddressFormsOverTheTenCatalogueMenus) {
    std::map<std::string, int> forms;  // "action scheme type"
    int longest = 0;
    std::function<void(const qc::Entry&)> visit = [&](const qc::Entry& e) {
        if (!e.visible) return;
        if (e.isGroup()) {
            int shown = 0;
            for (const qc::Entry& c : e.children) shown += c.visible;
            longest = std::max(longest, shown);
        }
        if (e.action == qc::Action::Play || e.action == qc::Action::Browse || e.action == qc::Action::Game) {
            std::string type = addressType(e.address);
            if (type == "query") {
                std::string before = e.address.substr(0, e.address.find('?'));
                type = "query:" + addressType(before);
            }
            ++forms[std::string(qc::actionName(e.action)) + " " + addressScheme(e.address) + " " + type];
        }
        for (const qc::Entry& c : e.children) visit(c);
    };
    for (const qc::Entry& m : cat().menus())
        if (m.name != "N4") visit(m);
    auto n = [&](const char* k) { return forms[k]; };
    EXPECT_EQ(n("play mms wmv"), 311);
    EXPECT_EQ(n("play mms asf"), 28);
    EXPECT_EQ(n("play mms wav"), 1);
    EXPECT_EQ(n("play mms (dir)"), 3);
    EXPECT_EQ(n("play http asx"), 172);
    EXPECT_EQ(n("play http asp"), 3);
    EXPECT_EQ(n("play http wmv"), 27);
    EXPECT_EQ(n("play http asf"), 3);
    EXPECT_EQ(n("play http wma"), 2);
    EXPECT_EQ(n("play http dat"), 4);
    EXPECT_EQ(n("play http (none)"), 7);
    EXPECT_EQ(n("play  (empty)"), 15);
    EXPECT_EQ(n("play mmst (none)"), 6);
    // Live points (one with a dot in its name) and the token queries.
    EXPECT_EQ(n("play mms (none)") + n("play mms query:(none)") + n("play mms query:wmv") + n("play mms query:asf"),
              67 + 2);
    EXPECT_EQ(n("play mmst query:(none)"), 2);
    EXPECT_EQ(n("browse http htm"), 100);
    EXPECT_EQ(n("browse http shtml"), 1);
    EXPECT_EQ(n("browse http query:asp"), 98);  // 金牌间谍's page among them
    EXPECT_EQ(n("browse http query:htm"), 5);
    EXPECT_EQ(n("browse http rm"), 188);
    EXPECT_EQ(n("browse http rmvb"), 57);
    EXPECT_EQ(n("browse http rmv"), 2);
    EXPECT_EQ(n("browse http query:rm") + n("browse http query:rmvb"), 2);
    EXPECT_EQ(n("browse rtsp rm"), 144);
    EXPECT_EQ(n("browse rtsp rmvb"), 44);
    EXPECT_EQ(n("browse rtsp smi"), 50);
    EXPECT_EQ(n("browse pnm rm"), 2);
    EXPECT_EQ(n("game http swf"), 88);
    EXPECT_EQ(longest, 101);
}

TEST(Catalogue, AddressHostsAndPorts) {
    static const std::regex ipv4(R"(^[0-9]{1,3}(\.[0-9]{1,3}){3}$)");
    static const std::regex name(R"(^[a-z0-9-]+(\.[a-z0-9-]+)+$)");
    int rtsp554 = 0, rtspOther = 0;
    std::set<std::string> rtspOthers, mmsPorts, httpPorts;
    for (const qc::Entry* e : visibleAddresses()) {
        const Parts a = parts(e->address);
        EXPECT_TRUE(std::regex_match(a.host, ipv4) || std::regex_match(a.host, name)) << e->address;
        if (a.port.empty()) continue;
        if (a.scheme == "rtsp" && a.port == "554") ++rtsp554;
        else if (a.scheme == "rtsp") ++rtspOther, rtspOthers.insert(a.port);
        if (a.scheme == "mms") mmsPorts.insert(a.port);
        if (a.scheme == "http") httpPorts.insert(a.port);
    }
    EXPECT_EQ(rtsp554, 109);
    EXPECT_GT(rtsp554, rtspOther);  // mostly 554
    EXPECT_EQ(rtspOthers, (std::set<std::string>{"555", "556", "7070", "8080", "8855"}));
    EXPECT_EQ(mmsPorts, (std::set<std::string>{"1055", "1755", "8001", "8080", "9999"}));
    for (const char* p : {"88", "808", "1566", "6666", "8000", "8129"}) EXPECT_EQ(httpPorts.count(p), 1u) << p;
}

TEST(Catalogue, AddressPathsAreStoredAsWritten) {
    static const std::regex dot(R"((^|/)\.(/|$))"), dotDot(R"((^|/)\.\.(/|$))"), escape("%[0-9A-Fa-f]{2}");
    std::set<std::string> oddCase;
    int escaped = 0, dots = 0, dotDots = 0, emptyName = 0;
    for (const qc::Entry* e : visibleAddresses()) {
        const Parts a = parts(e->address);
        const std::string file = a.path.substr(a.path.rfind('/') + 1);
        const size_t ext = file.rfind('.');
        if (ext != std::string::npos) {
            std::string x = file.substr(ext + 1);
            if (std::any_of(x.begin(), x.end(), [](char c) { return c >= 'A' && c <= 'Z'; })) oddCase.insert(x);
        }
        escaped += std::regex_search(e->address, escape);
        dots += std::regex_search(a.path, dot);
        dotDots += std::regex_search(a.path, dotDot);
        if (ext == 0) {
            ++emptyName;
            EXPECT_EQ(e->address.substr(e->address.size() - 5), "/.asf") << e->address;
        }
    }
    for (const char* x : {"Rmvb", "RM", "WMV", "DAT"}) EXPECT_EQ(oddCase.count(x), 1u) << x;
    EXPECT_GT(escaped, 0);
    EXPECT_GT(dots, 0);
    EXPECT_GT(dotDots, 0);
    EXPECT_EQ(emptyName, 9);
}

TEST(Catalogue, AddressesWithLoginsTokensAndWindowsPaths) {
    static const std::regex token(R"(^[a-z]+=[0-9]+&[a-z]+=[0-9a-f]{32}$)"), drive(R"([A-Za-z]:\\)");
    static const std::regex access(R"(^user=[a-z]+&pass=[a-z]+$)");
    int logins = 0, windowsPaths = 0, accessWords = 0;
    std::map<std::string, int> tokens;
    for (const qc::Entry* e : visibleAddresses()) {
        const Parts a = parts(e->address);
        if (!a.userInfo.empty()) {
            ++logins;
            EXPECT_EQ(a.scheme, "rtsp") << e->address;
            EXPECT_EQ(e->action, qc::Action::Browse) << e->address;
            const size_t colon = a.userInfo.find(':');
            ASSERT_NE(colon, std::string::npos) << e->address;
            EXPECT_EQ(colon, 9u) << e->address;
            EXPECT_EQ(a.userInfo.size() - colon - 1, 6u) << e->address;
        }
        if (a.query.find('\\') != std::string::npos) {
            ++windowsPaths;
            EXPECT_EQ(a.scheme, "http") << e->address;
            EXPECT_EQ(e->action, qc::Action::Browse) << e->address;
            EXPECT_TRUE(std::regex_search(a.query, drive)) << e->address;
            EXPECT_TRUE(hasNonAscii(a.query)) << e->address;
        }
        if (e->action != qc::Action::Play) continue;
        if (std::regex_match(a.query, token)) ++tokens[a.scheme];
        if (a.scheme == "http" && std::regex_match(a.query, access)) ++accessWords;
    }
    EXPECT_EQ(logins, 2);
    EXPECT_EQ(windowsPaths, 2);
    EXPECT_EQ(tokens, (std::map<std::string, int>{{"mms", 2}, {"mmst", 2}}));
    EXPECT_EQ(accessWords, 1);
}

TEST(Catalogue, ChineseFileAndFolderNames) {
    std::map<qc::Action, int> chinese;
    for (const qc::Entry* e : visibleAddresses())
        if (hasNonAscii(e->address)) ++chinese[e->action];
    EXPECT_EQ(chinese[qc::Action::Play], 26);
    EXPECT_EQ(chinese[qc::Action::Browse], 238);
    EXPECT_EQ(chinese[qc::Action::Game], 0);
}
