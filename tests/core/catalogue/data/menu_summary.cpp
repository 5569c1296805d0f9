#include "menu_summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace qctest {

namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

std::string tag(qc::Action a) {
    switch (a) {
    case qc::Action::Play: return "P";
    case qc::Action::Browse: return "B";
    case qc::Action::Game: return "G";
    case qc::Action::About: return "A";
    case qc::Action::None: break;
    }
    return "-";
}

void add(const qc::Entry& e, Summary& s) {
    if (e.isGroup()) {
        for (const qc::Entry& c : e.children) {
            if (!e.visible) {
                // Leaves below a hidden entry are counted as entries only.
                Summary hidden;
                add(c, hidden);
                s.entries += hidden.entries;
            } else {
                add(c, s);
            }
        }
        return;
    }
    ++s.entries;
    if (!e.visible) return;
    ++s.kinds[tag(e.action)];
    if (e.action == qc::Action::None) return;
    ++s.types[addressType(e.address)];
    if (!e.address.empty()) ++s.schemes[addressScheme(e.address)];
}

std::string show(const Counts& c) {
    std::ostringstream out;
    for (auto& [k, v] : c) out << k << ' ' << v << "; ";
    return out.str();
}

std::vector<std::string_view> splitPath(std::string_view path) {
    std::vector<std::string_view> parts;
    const std::string_view sep = " › ";
    size_t start = 0;
    for (;;) {
        size_t i = path.find(sep, start);
        parts.push_back(path.substr(start, i == std::string_view::npos ? i : i - start));
        if (i == std::string_view::npos) return parts;
        start = i + sep.size();
    }
}

const qc::Entry* child(const qc::Entry& parent, std::string_view part) {
    int nth = 1;
    std::string_view caption = part;
    size_t hash = part.rfind('#');
    if (hash != std::string_view::npos && hash + 1 < part.size() &&
        std::all_of(part.begin() + hash + 1, part.end(),
                    [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        nth = std::stoi(std::string(part.substr(hash + 1)));
        caption = part.substr(0, hash);
    }
    for (const qc::Entry& c : parent.children)
        if (c.caption == caption && --nth == 0) return &c;
    return nullptr;
}

template <class It> const qc::Entry& walk(const qc::Entry& from, It begin, It end) {
    const qc::Entry* e = &from;
    std::string trail = from.caption;
    for (It it = begin; it != end; ++it) {
        trail += " > " + std::string(*it);
        e = child(*e, *it);
        if (!e) {
            ADD_FAILURE() << "no entry " << trail;
            static const qc::Entry missing;
            return missing;
        }
    }
    return *e;
}

}  // namespace

Counts counts(std::string_view text) {
    Counts out;
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        std::string_view item = trim(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        start = comma == std::string_view::npos ? text.size() : comma + 1;
        if (item.empty()) continue;
        size_t sp = item.rfind(' ');
        out[std::string(item.substr(0, sp))] += std::stoi(std::string(item.substr(sp + 1)));
    }
    return out;
}

std::string addressScheme(std::string_view address) {
    size_t i = address.find("://");
    return i == std::string_view::npos ? std::string() : std::string(address.substr(0, i));
}

std::string addressType(std::string_view address) {
    if (address.empty()) return "(empty)";
    if (address.find('?') != std::string_view::npos) return "query";
    size_t i = address.find("://");
    std::string_view rest = i == std::string_view::npos ? address : address.substr(i + 3);
    size_t slash = rest.find('/');
    std::string_view path = slash == std::string_view::npos ? std::string_view() : rest.substr(slash);
    if (path.empty() || path.back() == '/') return "(dir)";
    std::string_view last = path.substr(path.rfind('/') + 1);
    size_t dot = last.rfind('.');
    if (dot == std::string_view::npos) return "(none)";
    std::string ext(last.substr(dot + 1));
    if (!ext.empty() &&
        std::all_of(ext.begin(), ext.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return "(none)";
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return ext;
}

Summary summarize(const qc::Entry& e) {
    Summary s;
    add(e, s);
    return s;
}

static void expectRow(const qc::Entry& e, const Row& row) {
    SCOPED_TRACE(row.caption);
    Summary s = summarize(e);
    EXPECT_EQ(s.entries, row.entries);
    EXPECT_EQ(show(s.kinds), show(counts(row.kinds)));
    EXPECT_EQ(show(s.schemes), show(counts(row.schemes)));
    EXPECT_EQ(show(s.types), show(counts(row.types)));
    if (!e.visible) {
        EXPECT_TRUE(s.kinds.empty());
    }
}

void expectChildren(const qc::Entry& menu, const std::vector<Row>& rows) {
    ASSERT_EQ(menu.children.size(), rows.size()) << menu.caption;
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(menu.children[i].caption, rows[i].caption) << "child " << i + 1;
        expectRow(menu.children[i], rows[i]);
    }
}

void expectGroups(const qc::Entry& menu, const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        auto parts = splitPath(row.caption);
        expectRow(walk(menu, parts.begin(), parts.end()), row);
    }
}

const qc::Entry& at(std::initializer_list<std::string_view> path) {
    static const qc::Entry root = [] {
        qc::Entry r;
        r.caption = "(menu bar)";
        r.children = qc::Catalogue::builtIn().menus();
        return r;
    }();
    return walk(root, path.begin(), path.end());
}

const qc::Entry& at(const qc::Entry& from, std::initializer_list<std::string_view> path) {
    return walk(from, path.begin(), path.end());
}

std::string rendered(const qc::Entry& group) {
    std::string out;
    for (const qc::Entry& c : group.children) {
        if (!out.empty()) out += " · ";
        out += c.caption + " [" + (c.isGroup() ? std::string("group") : tag(c.action)) + "]";
    }
    return out;
}

std::vector<std::string> childCaptions(const qc::Entry& e) {
    std::vector<std::string> out;
    for (const qc::Entry& c : e.children) out.push_back(c.caption);
    return out;
}

bool hasNonAscii(std::string_view s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

std::vector<const qc::Entry*> visibleLeaves(const qc::Entry& e) {
    std::vector<const qc::Entry*> out;
    if (!e.visible) return out;
    if (!e.isGroup()) {
        out.push_back(&e);
        return out;
    }
    for (const qc::Entry& c : e.children) {
        auto sub = visibleLeaves(c);
        out.insert(out.end(), sub.begin(), sub.end());
    }
    return out;
}

}  // namespace qctest
