#include "core/player/playlist.h"

#include <algorithm>

#include "core/text/ascii.h"
#include "core/text/gbk.h"
#include "core/text/markup.h"
#include "core/text/utf.h"

namespace qc {

namespace {

void parseAsx(std::string_view text, std::string_view base, Playlist& out) {
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (text.compare(i, 4, "<!--") == 0) {
            std::size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) return;
            i = end + 3;
            continue;
        }
        ++i;
        const auto tag = readTag(text, i, Markup::Lenient);
        if (!tag) return;
        if (tag->closing || (tag->name != "ref" && tag->name != "entryref")) continue;
        const auto href = tag->attribute("href");
        if (href && !href->empty()) out.refs.push_back(resolveAddress(base, *href));
    }
}

void parseReference(std::string_view text, std::string_view base, Playlist& out) {
    size_t pos = 0;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string_view line = trimAscii(text.substr(pos, nl == std::string_view::npos ? nl : nl - pos));
        pos = nl == std::string_view::npos ? text.size() : nl + 1;
        if (!startsWithNoCase(line, "ref")) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = trimAscii(line.substr(3, eq - 3));
        if (key.empty() || !std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; })) continue;
        std::string_view value = trimAscii(line.substr(eq + 1));
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
    std::string_view t = trimAscii(text);
    if (startsWithNoCase(t, "[reference]")) return true;
    std::string lowered = asciiLowerCopy(t.substr(0, 1024));
    if (lowered.empty() || lowered[0] != '<') return false;
    return lowered.find("<asx") != std::string::npos;
}

Playlist parsePlaylist(std::string_view bytes, std::string_view base) {
    Playlist out;
    std::string text = decodeText(bytes);
    std::string_view t = trimAscii(text);
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
