#include "core/catalogue/catalogue.h"

#include <unordered_set>

#include "core/catalogue/embedded_data.h"

namespace qc {

namespace {

constexpr std::string_view kActionNames[] = {"none", "play", "browse", "game", "about"};

bool isIdentifier(std::string_view s) {
    if (s.empty()) return false;
    auto alpha = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; };
    if (!alpha(s[0])) return false;
    for (char c : s)
        if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

std::vector<std::string_view> splitTabs(std::string_view line) {
    std::vector<std::string_view> out;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find('\t', start);
        out.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
        if (tab == std::string_view::npos) return out;
        start = tab + 1;
    }
}

class Parser {
public:
    Parser(std::string_view source, std::unordered_set<std::string>& names) : source_(source), names_(names) {}

    Entry parse(std::string_view text) {
        // stack[d-1] is the open entry at depth d; only the deepest one ever gains children, so
        // the pointers above it stay valid.
        std::vector<Entry*> stack;
        Entry menu;
        bool haveMenu = false;
        size_t pos = 0;
        while (pos < text.size()) {
            size_t nl = text.find('\n', pos);
            std::string_view line = text.substr(pos, nl == std::string_view::npos ? nl : nl - pos);
            pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
            ++lineNo_;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (line.empty() || line[0] == '#') continue;

            auto f = splitTabs(line);
            if (f.size() != 6) fail("expected 6 TAB-separated fields");
            int depth = 0;
            for (char c : f[0]) {
                if (c < '0' || c > '9' || depth > 100) fail("bad depth");
                depth = depth * 10 + (c - '0');
            }
            if (depth < 1) fail("bad depth");
            Entry e;
            e.name = std::string(f[1]);
            if (!isIdentifier(e.name)) fail("bad name");
            if (!names_.insert(e.name).second) fail("duplicate name " + e.name);
            if (f[2] != "0" && f[2] != "1") fail("visible must be 0 or 1");
            e.visible = f[2] == "1";
            e.action = parseAction(f[3]);
            e.address = std::string(f[4]);
            e.caption = std::string(f[5]);
            if (e.caption.empty()) fail("empty caption");
            if (e.address.find(' ') != std::string::npos) fail("blank in address");
            bool needsAddress = e.action == Action::Browse || e.action == Action::Game;
            bool takesAddress = needsAddress || e.action == Action::Play;
            if (needsAddress && e.address.empty()) fail("missing address");
            if (!takesAddress && !e.address.empty()) fail("address without action");

            if (depth == 1) {
                if (haveMenu) fail("a second top-level menu");
                if (e.action != Action::None) fail("a top-level menu has no action");
                menu = std::move(e);
                haveMenu = true;
                stack = {&menu};
                continue;
            }
            if (!haveMenu) fail("the first entry must be the top-level menu");
            if (static_cast<size_t>(depth) > stack.size() + 1) fail("depth jumps by more than one");
            stack.resize(depth - 1);
            Entry* parent = stack.back();
            if (parent->action != Action::None && parent->action != Action::Browse)
                fail("an entry with this action can't hold children");
            parent->children.push_back(std::move(e));
            stack.push_back(&parent->children.back());
        }
        if (!haveMenu) fail("no top-level menu");
        return menu;
    }

private:
    Action parseAction(std::string_view s) {
        for (size_t i = 0; i < std::size(kActionNames); ++i)
            if (s == kActionNames[i]) return static_cast<Action>(i);
        fail("unknown action");
    }
    [[noreturn]] void fail(const std::string& why) {
        throw CatalogueError(std::string(source_) + ":" + std::to_string(lineNo_) + ": " + why);
    }

    std::string_view source_;
    std::unordered_set<std::string>& names_;
    int lineNo_ = 0;
};

const Entry* findIn(const Entry& e, std::string_view name) {
    if (e.name == name) return &e;
    for (const Entry& c : e.children)
        if (const Entry* hit = findIn(c, name)) return hit;
    return nullptr;
}

}  // namespace

std::string_view actionName(Action a) { return kActionNames[static_cast<size_t>(a)]; }

Catalogue Catalogue::parse(const std::vector<std::string_view>& texts, const std::vector<std::string_view>& sources) {
    Catalogue c;
    std::unordered_set<std::string> names;
    c.menus_.reserve(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        std::string fallback = "menu " + std::to_string(i + 1);
        std::string_view source = i < sources.size() ? sources[i] : std::string_view(fallback);
        c.menus_.push_back(Parser(source, names).parse(texts[i]));
    }
    return c;
}

const Catalogue& Catalogue::builtIn() {
    static const Catalogue catalogue = [] {
        std::vector<std::string_view> texts, sources;
        for (const EmbeddedFile& f : embeddedCatalogueFiles()) {
            texts.push_back(f.text);
            sources.push_back(f.name);
        }
        return parse(texts, sources);
    }();
    return catalogue;
}

const Entry* Catalogue::find(std::string_view name) const {
    for (const Entry& m : menus_)
        if (const Entry* hit = findIn(m, name)) return hit;
    return nullptr;
}

std::string Catalogue::listing() const {
    std::string out;
    forEach([&](const Entry& e, int depth) {
        out += std::to_string(depth);
        out += '\t';
        out += e.name;
        out += '\t';
        out += e.visible ? '1' : '0';
        out += '\t';
        out += actionName(e.action);
        out += '\t';
        out += e.address;
        out += '\t';
        out += e.caption;
        out += '\n';
    });
    return out;
}

}  // namespace qc
