#include "core/player/playlist.h"

#include <algorithm>

#include "core/text/ascii.h"
#include "core/text/gbk.h"

namespace qc {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
    return s;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    auto put = [&](char32_t cp) { appendUtf8(out, cp); };
    auto unit = [&](size_t i) -> char32_t {
        auto b0 = static_cast<unsigned char>(bytes[i]), b1 = static_cast<unsigned char>(bytes[i + 1]);
        return bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    };
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00 && i + 3 < bytes.size()) {
            char32_t lo = unit(i + 2);
            if (lo >= 0xDC00 && lo < 0xE000) {
                put(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                i += 2;
                continue;
            }
        }
        put(u >= 0xD800 && u < 0xE000 ? 0xFFFD : u);
    }
    return out;
}

// Decodes &amp; &lt; &gt; &quot; &apos; and numeric character references.
std::string unescapeXml(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        std::string name = asciiLowerCopy(s.substr(i + 1, semi - i - 1));
        static const std::pair<const char*, char> named[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
        bool done = false;
        for (auto [n, c] : named)
            if (name == n) {
                out += c;
                done = true;
            }
        if (!done && name.size() > 1 && name[0] == '#') {
            bool hex = name[1] == 'x';
            char32_t cp = 0;
            bool ok = name.size() > (hex ? 2u : 1u);
            for (size_t k = hex ? 2 : 1; k < name.size() && ok; ++k) {
                char c = name[k];
                int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
                if (d < 0 || cp > 0x10FFFF) ok = false;
                else cp = cp * (hex ? 16 : 10) + d;
            }
            if (ok && cp > 0 && cp <= 0x10FFFF && !(cp >= 0xD800 && cp < 0xE000)) {
                appendUtf8(out, cp);
                done = true;
            }
        }
        if (done) i = semi;
        else out += s[i];
    }
    return out;
}

// The value of attribute `name` inside the tag text `tag` (after the tag name), or npos-empty.
bool attribute(std::string_view tag, std::string_view name, std::string& value) {
    size_t i = 0;
    while (i < tag.size()) {
        while (i < tag.size() && (isSpace(tag[i]) || tag[i] == '/')) ++i;
        size_t ns = i;
        while (i < tag.size() && !isSpace(tag[i]) && tag[i] != '=' && tag[i] != '/') ++i;
        std::string_view attr = tag.substr(ns, i - ns);
        while (i < tag.size() && isSpace(tag[i])) ++i;
        std::string_view val;
        if (i < tag.size() && tag[i] == '=') {
            ++i;
            while (i < tag.size() && isSpace(tag[i])) ++i;
            if (i < tag.size() && (tag[i] == '"' || tag[i] == '\'')) {
                char q = tag[i++];
                size_t end = tag.find(q, i);
                if (end == std::string_view::npos) end = tag.size();
                val = tag.substr(i, end - i);
                i = end + 1;
            } else {
                size_t vs = i;
                while (i < tag.size() && !isSpace(tag[i])) ++i;
                val = tag.substr(vs, i - vs);
            }
        }
        if (attr.empty()) {
            ++i;
            continue;
        }
        if (asciiLowerCopy(attr) == asciiLowerCopy(name)) {
            value = unescapeXml(trim(val));
            return true;
        }
    }
    return false;
}

void parseAsx(std::string_view text, std::string_view base, Playlist& out) {
    size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) return;
            i = end + 3;
            continue;
        }
        size_t end = text.find('>', i);
        if (end == std::string_view::npos) return;
        std::string_view tag = text.substr(i + 1, end - i - 1);
        i = end + 1;
        size_t nameEnd = 0;
        while (nameEnd < tag.size() && !isSpace(tag[nameEnd]) && tag[nameEnd] != '/') ++nameEnd;
        std::string name = asciiLowerCopy(tag.substr(0, nameEnd));
        if (name != "ref" && name != "entryref") continue;
        std::string href;
        if (attribute(tag.substr(nameEnd), "href", href) && !href.empty())
            out.refs.push_back(resolveAddress(base, href));
    }
}

void parseReference(std::string_view text, std::string_view base, Playlist& out) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view line = trim(text.substr(pos, nl == std::string_view::npos ? nl : nl - pos));
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        if (!startsWithNoCase(line, "ref")) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = trim(line.substr(3, eq - 3));
        if (key.empty() || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        std::string_view value = trim(line.substr(eq + 1));
        if (!value.empty()) out.refs.push_back(resolveAddress(base, value));
    }
}

}  // namespace

std::string decodeText(std::string_view b) {
    // Marked or declared UTF-8 may still hold malformed bytes: they must not reach the engine.
    if (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") return repairUtf8(b.substr(3));
    if (b.size() >= 2 && b.substr(0, 2) == "\xFF\xFE") return utf16ToUtf8(b.substr(2), false);
    if (b.size() >= 2 && b.substr(0, 2) == "\xFE\xFF") return utf16ToUtf8(b.substr(2), true);
    std::string head = asciiLowerCopy(b.substr(0, 200));
    size_t decl = head.find("encoding");
    if (head.rfind("<?xml", 0) == 0 && decl != std::string::npos) {
        std::string_view rest = std::string_view(head).substr(decl);
        if (rest.find("utf-8") != std::string_view::npos && rest.find("utf-8") < 20 && isValidUtf8(b))
            return std::string(b);  // declared UTF-8 that isn't falls through to GBK below
        if (rest.find("gb") != std::string_view::npos && rest.find("gb") < 20) return gbkToUtf8(b);
    }
    if (isValidUtf8(b)) return std::string(b);
    return gbkToUtf8(b);
}

bool looksLikePlaylist(std::string_view head) {
    std::string text = decodeText(head.substr(0, 4096));
    std::string_view t = trim(text);
    if (startsWithNoCase(t, "[reference]")) return true;
    std::string lowered = asciiLowerCopy(t.substr(0, 1024));
    if (lowered.empty() || lowered[0] != '<') return false;
    return lowered.find("<asx") != std::string::npos;
}

Playlist parsePlaylist(std::string_view bytes, std::string_view base) {
    Playlist out;
    std::string text = decodeText(bytes);
    std::string_view t = trim(text);
    if (startsWithNoCase(t, "[reference]")) {
        out.recognised = true;
        parseReference(t, base, out);
        return out;
    }
    if (!looksLikePlaylist(t)) return out;
    out.recognised = true;
    parseAsx(t, base, out);
    return out;
}

std::string resolveAddress(std::string_view base, std::string_view ref) {
    size_t colon = ref.find(':');
    size_t firstSep = ref.find_first_of("/?#");
    if (colon != std::string_view::npos && colon > 0 && (firstSep == std::string_view::npos || colon < firstSep))
        return std::string(ref);  // already absolute
    size_t schemeEnd = base.find("://");
    if (base.empty() || schemeEnd == std::string_view::npos) return std::string(ref);
    size_t pathStart = base.find('/', schemeEnd + 3);
    std::string_view origin = pathStart == std::string_view::npos ? base : base.substr(0, pathStart);
    if (ref.substr(0, 2) == "//") return std::string(base.substr(0, schemeEnd + 1)) + std::string(ref);
    if (!ref.empty() && ref[0] == '/') return std::string(origin) + std::string(ref);
    std::string_view path = pathStart == std::string_view::npos ? "/" : base.substr(pathStart);
    path = path.substr(0, path.find_first_of("?#"));
    return std::string(origin) + std::string(path.substr(0, path.rfind('/') + 1)) + std::string(ref);
}

}  // namespace qc
