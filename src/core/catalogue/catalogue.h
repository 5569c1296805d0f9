#pragma once
// The channel catalogue: a fixed tree of menu entries, read once from the embedded data files.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qc {

enum class Action { None, Play, Browse, Game, About };

std::string_view actionName(Action a);

struct Entry {
    std::string name;     // designer name, unique, ASCII
    std::string caption;  // UTF-8, exactly as shown
    bool visible = true;
    Action action = Action::None;
    std::string address;  // UTF-8, exactly as stored; may be empty for a play entry
    std::vector<Entry> children;

    bool isGroup() const { return !children.empty(); }
};

// Raised when a data file breaks the format; names the file and the line.
struct CatalogueError : std::exception {
    explicit CatalogueError(std::string m) : message(std::move(m)) {}
    const char* what() const noexcept override { return message.c_str(); }
    std::string message;
};

class Catalogue {
public:
    // Parses the given data texts, each holding one top-level menu. `sources` names them in errors.
    static Catalogue parse(const std::vector<std::string_view>& texts,
                           const std::vector<std::string_view>& sources = {});

    // The catalogue built into the program, parsed on first use.
    static const Catalogue& builtIn();

    const std::vector<Entry>& menus() const { return menus_; }

    // Entry by designer name, or nullptr.
    const Entry* find(std::string_view name) const;

    // Depth-first visit of every entry below the root: f(entry, depth), depth 1 for a top-level menu.
    template <class F> void forEach(F&& f) const {
        for (const Entry& m : menus_) visit(m, 1, f);
    }

    // The lister's format: depth, name, visible, action, address, caption, TAB-separated.
    std::string listing() const;

private:
    template <class F> static void visit(const Entry& e, int depth, F& f) {
        f(e, depth);
        for (const Entry& c : e.children) visit(c, depth + 1, f);
    }
    std::vector<Entry> menus_;
};

}  // namespace qc
