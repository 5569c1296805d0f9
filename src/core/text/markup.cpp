#include "core/text/markup.h"

#include <array>

#include "core/text/ascii.h"
#include "core/text/utf.h"

namespace qc {

namespace {

constexpr std::array<std::pair<std::string_view, char>, 5> kNamed = {
    {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}}};

// The code point of "#123" or "#x7B", or nothing.
std::optional<char32_t> numericReference(std::string_view name) {
    if (name.size() < 2 || name[0] != '#') return std::nullopt;
    const bool hex = name[1] == 'x' || name[1] == 'X';
    const std::size_t first = hex ? 2 : 1;
    if (name.size() <= first) return std::nullopt;
    char32_t cp = 0;
    for (std::size_t k = first; k < name.size(); ++k) {
        const char c = asciiLower(name[k]);
        const int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0 || cp > 0x10FFFF) return std::nullopt;
        cp = cp * (hex ? 16 : 10) + static_cast<char32_t>(d);
    }
    return cp;
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}

void skipSpace(std::string_view t, std::size_t& i) {
    while (i < t.size() && isAsciiSpace(t[i])) ++i;
}

// Lenient: the tag's text up to its first '>' is read on its own.
std::optional<Tag> readLenient(std::string_view tag) {
    Tag e;
    std::size_t i = 0;
    if (i < tag.size() && tag[i] == '/') {
        e.closing = true;
        ++i;
    }
    const std::size_t nameStart = i;
    while (i < tag.size() && !isAsciiSpace(tag[i]) && tag[i] != '/') ++i;
    e.name = asciiLowerCopy(tag.substr(nameStart, i - nameStart));
    e.selfClosing = !tag.empty() && tag.back() == '/';
    while (i < tag.size()) {
        while (i < tag.size() && (isAsciiSpace(tag[i]) || tag[i] == '/')) ++i;
        const std::size_t ns = i;
        while (i < tag.size() && !isAsciiSpace(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
        const std::string_view name = tag.substr(ns, i - ns);
        skipSpace(tag, i);
        std::string_view value;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            skipSpace(tag, i);
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                const char quote = tag[i++];
                std::size_t end = tag.find(quote, i);
                if (end == std::string_view::npos) end = tag.size();
                value = tag.substr(i, end - i);
                i = end + 1;
            } else {
                const std::size_t vs = i;
                while (i < tag.size() && !isAsciiSpace(tag[i])) ++i;
                value = tag.substr(vs, i - vs);
            }
        }
        if (name.empty()) {
            ++i;
            continue;
        }
        e.attributes.emplace_back(asciiLowerCopy(name), decodeReferences(trimAscii(value), Markup::Lenient));
    }
    return e;
}

std::optional<Tag> readStrict(std::string_view xml, std::size_t& pos) {
    Tag e;
    if (pos < xml.size() && xml[pos] == '/') {
        e.closing = true;
        ++pos;
    }
    while (pos < xml.size() && isNameChar(xml[pos])) e.name += xml[pos++];
    if (e.name.empty()) return std::nullopt;
    for (;;) {
        skipSpace(xml, pos);
        if (pos >= xml.size()) return std::nullopt;
        if (xml[pos] == '>') {
            ++pos;
            return e;
        }
        if (xml.substr(pos, 2) == "/>") {
            pos += 2;
            e.selfClosing = true;
            return e;
        }
        std::string name;
        while (pos < xml.size() && isNameChar(xml[pos])) name += xml[pos++];
        skipSpace(xml, pos);
        if (name.empty() || pos >= xml.size() || xml[pos] != '=') return std::nullopt;
        ++pos;
        skipSpace(xml, pos);
        if (pos >= xml.size() || (xml[pos] != '"' && xml[pos] != '\'')) return std::nullopt;
        const char quote = xml[pos++];
        const std::size_t close = xml.find(quote, pos);
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view raw = xml.substr(pos, close - pos);
        if (raw.find('<') != std::string_view::npos) return std::nullopt;
        e.attributes.emplace_back(std::move(name), decodeReferences(raw, Markup::Strict));
        pos = close + 1;
    }
}

}  // namespace

std::optional<std::string> decodeReferences(std::string_view s, Markup rule) {
    const bool strict = rule == Markup::Strict;
    const std::size_t longest = strict ? 8 : 10;  // "#x10FFFF" and a little slack
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const std::size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > longest) {
            if (strict) return std::nullopt;
            out += s[i];
            continue;
        }
        const std::string_view raw = s.substr(i + 1, semi - i - 1);
        const std::string name = strict ? std::string(raw) : asciiLowerCopy(raw);
        bool done = false;
        for (auto [n, c] : kNamed)
            if (name == n) {
                out += c;
                done = true;
            }
        if (!done) {
            const auto cp = numericReference(name);
            if (strict && cp && *cp >= 0x20 && *cp <= 0x7E &&
                name.find_first_not_of("#0123456789") == std::string::npos) {
                out += static_cast<char>(*cp);
                done = true;
            } else if (!strict && cp && *cp > 0 && *cp <= 0x10FFFF && !(*cp >= 0xD800 && *cp < 0xE000)) {
                appendUtf8(out, *cp);
                done = true;
            }
        }
        if (done) i = semi;
        else if (strict) return std::nullopt;
        else out += s[i];
    }
    return out;
}

std::optional<std::string> Tag::attribute(std::string_view name) const {
    for (const auto& [n, v] : attributes)
        if (n == name) return v;
    return std::nullopt;
}

bool Tag::has(std::string_view name) const {
    for (const auto& [n, v] : attributes)
        if (n == name) return true;
    return false;
}

std::optional<Tag> readTag(std::string_view text, std::size_t& pos, Markup rule) {
    if (rule == Markup::Strict) return readStrict(text, pos);
    const std::size_t end = text.find('>', pos);
    if (end == std::string_view::npos) return std::nullopt;
    const std::string_view tag = text.substr(pos, end - pos);
    pos = end + 1;
    return readLenient(tag);
}

}  // namespace qc
