#include "core/games/cross_domain_policy.h"

#include <map>

namespace qc {

namespace {

std::string lowerCase(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return out;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
           c == ':' || c == '.';
}

// The five predefined entities and numeric references to ASCII; anything else spoils the value.
std::optional<std::string> unescape(std::string_view v) {
    static const std::map<std::string_view, char> kNamed = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] != '&') {
            out += v[i];
            continue;
        }
        const size_t semi = v.find(';', i);
        if (semi == std::string_view::npos || semi - i > 8) return std::nullopt;
        const std::string_view name = v.substr(i + 1, semi - i - 1);
        if (auto it = kNamed.find(name); it != kNamed.end()) {
            out += it->second;
        } else if (name.size() > 1 && name[0] == '#' &&
                   name.find_first_not_of("0123456789", 1) == std::string_view::npos) {
            const int code = std::stoi(std::string(name.substr(1)));
            if (code < 0x20 || code > 0x7e) return std::nullopt;
            out += char(code);
        } else {
            return std::nullopt;
        }
        i = semi;
    }
    return out;
}

struct Element {
    std::string name;
    std::map<std::string, std::optional<std::string>> attributes;
    bool closing = false, empty = false;
};

// One tag from just after its '<' to its '>'; `pos` ends after the '>'.
std::optional<Element> readTag(std::string_view xml, size_t& pos) {
    Element e;
    if (pos < xml.size() && xml[pos] == '/') {
        e.closing = true;
        ++pos;
    }
    while (pos < xml.size() && isNameChar(xml[pos])) e.name += xml[pos++];
    if (e.name.empty()) return std::nullopt;
    for (;;) {
        while (pos < xml.size() && isSpace(xml[pos])) ++pos;
        if (pos >= xml.size()) return std::nullopt;
        if (xml[pos] == '>') {
            ++pos;
            return e;
        }
        if (xml.substr(pos, 2) == "/>") {
            pos += 2;
            e.empty = true;
            return e;
        }
        std::string name;
        while (pos < xml.size() && isNameChar(xml[pos])) name += xml[pos++];
        while (pos < xml.size() && isSpace(xml[pos])) ++pos;
        if (name.empty() || pos >= xml.size() || xml[pos] != '=') return std::nullopt;
        ++pos;
        while (pos < xml.size() && isSpace(xml[pos])) ++pos;
        if (pos >= xml.size() || (xml[pos] != '"' && xml[pos] != '\'')) return std::nullopt;
        const char quote = xml[pos++];
        const size_t close = xml.find(quote, pos);
        if (close == std::string_view::npos) return std::nullopt;
        const std::string_view raw = xml.substr(pos, close - pos);
        if (raw.find('<') != std::string_view::npos) return std::nullopt;
        e.attributes[name] = unescape(raw);
        pos = close + 1;
    }
}

bool domainMatches(std::string_view rule, const WebAddress& movie) {
    if (rule == "*") return true;
    if (rule.size() > 2 && rule.substr(0, 2) == "*.") {
        if (movie.hostIsIp) return false;
        const std::string_view suffix = rule.substr(2);
        const std::string_view host = movie.host;
        return host == suffix || (host.size() > suffix.size() && host.substr(host.size() - suffix.size()) == suffix &&
                                  host[host.size() - suffix.size() - 1] == '.');
    }
    return rule == movie.host || (movie.host.find(':') != std::string::npos && rule == movie.hostInUrl());
}

}  // namespace

std::optional<CrossDomainPolicy> parseCrossDomainPolicy(std::string_view xml) {
    if (xml.size() > kMaxPolicyBytes) return std::nullopt;
    if (xml.substr(0, 3) == "\xEF\xBB\xBF") xml.remove_prefix(3);
    CrossDomainPolicy policy;
    bool none = false, rootSeen = false, rootClosed = false;
    int depth = 0;
    size_t elements = 0;
    size_t pos = 0;
    while ((pos = xml.find('<', pos)) != std::string_view::npos) {
        ++pos;
        if (xml.substr(pos, 3) == "!--") {
            const size_t end = xml.find("-->", pos + 3);
            if (end == std::string_view::npos) return std::nullopt;
            pos = end + 3;
            continue;
        }
        if (pos < xml.size() && (xml[pos] == '?' || xml[pos] == '!')) {
            const size_t end = xml.find('>', pos);
            // A document type with its own declarations could define entities: not read.
            if (end == std::string_view::npos || xml.substr(pos, end - pos).find('[') != std::string_view::npos)
                return std::nullopt;
            pos = end + 1;
            continue;
        }
        auto e = readTag(xml, pos);
        if (!e || ++elements > kMaxPolicyElements || rootClosed) return std::nullopt;
        if (e->closing) {
            if (--depth < 0) return std::nullopt;
            rootClosed = depth == 0;
            continue;
        }
        if (depth == 0) {
            if (rootSeen || e->name != "cross-domain-policy") return std::nullopt;
            rootSeen = true;
        } else if (depth == 1 && e->name == "allow-access-from") {
            const auto domain = e->attributes.find("domain");
            const auto secure = e->attributes.find("secure");
            if (domain != e->attributes.end() && domain->second && !domain->second->empty()) {
                CrossDomainPolicy::Allow rule{lowerCase(*domain->second), true};
                if (secure != e->attributes.end())
                    rule.secure = !(secure->second && lowerCase(*secure->second) == "false");
                policy.allow.push_back(std::move(rule));
            }
        } else if (depth == 1 && e->name == "site-control") {
            const auto permitted = e->attributes.find("permitted-cross-domain-policies");
            if (permitted != e->attributes.end() && permitted->second && lowerCase(*permitted->second) == "none")
                none = true;
        }
        if (!e->empty) ++depth;
        if (e->empty && depth == 0) rootClosed = true;
    }
    if (!rootSeen || depth != 0) return std::nullopt;
    if (none) policy.allow.clear();
    return policy;
}

bool policyAllows(const CrossDomainPolicy& policy, const WebAddress& movie, bool servedOverHttps) {
    for (const CrossDomainPolicy::Allow& rule : policy.allow) {
        if (servedOverHttps && movie.scheme != "https" && rule.secure) continue;
        if (domainMatches(rule.domain, movie)) return true;
    }
    return false;
}

}  // namespace qc
