#include "core/games/cross_domain_policy.h"

#include "core/text/ascii.h"
#include "core/text/markup.h"

namespace qc {

namespace {

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
        auto e = readTag(xml, pos, Markup::Strict);
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
            const auto domain = e->attribute("domain");
            if (domain && !domain->empty()) {
                const auto secure = e->attribute("secure");
                policy.allow.push_back({asciiLowerCopy(*domain), !(secure && asciiLowerCopy(*secure) == "false")});
            }
        } else if (depth == 1 && e->name == "site-control") {
            const auto permitted = e->attribute("permitted-cross-domain-policies");
            if (permitted && asciiLowerCopy(*permitted) == "none") none = true;
        }
        if (!e->selfClosing) ++depth;
        if (e->selfClosing && depth == 0) rootClosed = true;
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
