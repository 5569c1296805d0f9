#include "core/games/web_address.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <set>

#include "core/text/ascii.h"

namespace qc {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f'); }

// One part of an IPv4 address as browsers read it: decimal, 0x hex or 0 octal.
std::optional<uint64_t> ipv4Part(std::string_view p) {
    int base = 10;
    if (p.size() >= 2 && p[0] == '0' && p[1] == 'x') {
        base = 16;
        p.remove_prefix(2);
    } else if (p.size() >= 2 && p[0] == '0') {
        base = 8;
        p.remove_prefix(1);
    }
    if (p.empty()) return base == 10 ? std::nullopt : std::optional<uint64_t>(0);
    uint64_t v = 0;
    for (char c : p) {
        int d = isDigit(c) ? c - '0' : (isHex(c) ? c - 'a' + 10 : 99);
        if (d >= base) return std::nullopt;
        v = v * uint64_t(base) + uint64_t(d);
        if (v > 0xffffffffULL) return std::nullopt;
    }
    return v;
}

bool endsInNumber(std::string_view host) {
    const std::string_view last = host.substr(host.rfind('.') + 1);
    if (last.empty()) return false;
    if (std::all_of(last.begin(), last.end(), isDigit)) return true;
    return last.size() >= 2 && last[0] == '0' && last[1] == 'x' && std::all_of(last.begin() + 2, last.end(), isHex);
}

std::optional<std::string> parseIpv4(std::string_view host) {
    std::vector<uint64_t> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = host.find('.', start);
        auto part = ipv4Part(host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (!part || parts.size() == 4) return std::nullopt;
        parts.push_back(*part);
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    uint64_t v = 0;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] > 255) return std::nullopt;
        v = (v << 8) | parts[i];
    }
    const int lastBits = 8 * int(5 - parts.size());
    if (parts.back() >= (uint64_t(1) << lastBits)) return std::nullopt;
    v = (v << lastBits) | parts.back();
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 255) + "." + std::to_string((v >> 8) & 255) +
           "." + std::to_string(v & 255);
}

std::optional<std::string> parseIpv6(std::string_view inside) {
    if (inside.empty() || inside.size() > 45 || inside.find('%') != std::string_view::npos) return std::nullopt;
    in6_addr a{};
    if (inet_pton(AF_INET6, std::string(inside).c_str(), &a) != 1) return std::nullopt;
    char out[INET6_ADDRSTRLEN] = {};
    inet_ntop(AF_INET6, &a, out, sizeof out);
    return std::string(out);
}

std::optional<std::string> parseName(std::string_view host) {
    if (host.empty() || host.size() > 253) return std::nullopt;
    std::string out;
    size_t label = 0;
    for (char c : host) {
        c = asciiLower(c);
        if (c == '.') {
            if (label == 0) return std::nullopt;  // empty label, trailing dot
            label = 0;
        } else if (isDigit(c) || (c >= 'a' && c <= 'z') || c == '-' || c == '_') {
            if (++label > 63) return std::nullopt;
        } else {
            return std::nullopt;
        }
        out += c;
    }
    if (label == 0) return std::nullopt;
    if (endsInNumber(out)) return parseIpv4(out);
    return out;
}

AddressClass classifyV4(uint32_t a) {
    const auto in = [a](uint32_t net, int bits) { return (a >> (32 - bits)) == (net >> (32 - bits)); };
    if (in(0x00000000, 8) || in(0xe0000000, 4) || in(0xf0000000, 4) || in(0xc0000000, 24))
        return AddressClass::Forbidden;
    if (in(0x7f000000, 8)) return AddressClass::Loopback;
    if (in(0xa9fe0000, 16)) return AddressClass::LinkLocal;
    if (in(0x0a000000, 8) || in(0xac100000, 12) || in(0xc0a80000, 16) || in(0x64400000, 10) || in(0xc6120000, 15))
        return AddressClass::Private;
    return AddressClass::Public;
}

uint32_t v4At(const uint8_t* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]; }

AddressClass classifyV6(const uint8_t* b) {
    static constexpr std::array<uint8_t, 12> kMapped = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    static constexpr std::array<uint8_t, 12> kNat64 = {0, 0x64, 0xff, 0x9b, 0, 0, 0, 0, 0, 0, 0, 0};
    if (std::equal(kMapped.begin(), kMapped.end(), b) || std::equal(kNat64.begin(), kNat64.end(), b))
        return classifyV4(v4At(b + 12));
    if (std::all_of(b, b + 15, [](uint8_t x) { return x == 0; }))
        return b[15] == 1 ? AddressClass::Loopback : AddressClass::Forbidden;
    if (std::all_of(b, b + 12, [](uint8_t x) { return x == 0; })) return AddressClass::Forbidden;  // IPv4-compatible
    if (b[0] == 0x20 && b[1] == 0x02) return classifyV4(v4At(b + 2));                              // 6to4
    if (b[0] == 0xff) return AddressClass::Forbidden;
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) return AddressClass::LinkLocal;
    if ((b[0] == 0xfe && (b[1] & 0xc0) == 0xc0) || (b[0] & 0xfe) == 0xfc) return AddressClass::Private;
    if (b[0] == 0x01 && b[1] == 0 && std::all_of(b + 2, b + 8, [](uint8_t x) { return x == 0; }))
        return AddressClass::Forbidden;  // discard-only
    return AddressClass::Public;
}

}  // namespace

std::string WebAddress::hostInUrl() const { return host.find(':') != std::string::npos ? "[" + host + "]" : host; }

std::string WebAddress::origin() const { return scheme + "://" + hostInUrl() + ":" + std::to_string(port); }

std::string WebAddress::text() const { return origin() + path; }

std::optional<WebAddress> parseWebAddress(std::string_view text) {
    if (text.empty() || text.size() > kMaxWebAddressLength) return std::nullopt;
    for (char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || static_cast<unsigned char>(c) >= 0x7f || c == '\\')
            return std::nullopt;
    WebAddress a;
    const size_t colon = text.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    for (char c : text.substr(0, colon)) a.scheme += asciiLower(c);
    if (a.scheme != "http" && a.scheme != "https") return std::nullopt;
    std::string_view rest = text.substr(colon + 3);
    const size_t end = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, end);
    rest.remove_prefix(end);
    if (authority.find('@') != std::string_view::npos) return std::nullopt;  // user names hide the host
    std::string_view hostPart = authority, portPart;
    if (!authority.empty() && authority[0] == '[') {
        const size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        auto v6 = parseIpv6(authority.substr(1, close - 1));
        if (!v6) return std::nullopt;
        a.host = *v6;
        a.hostIsIp = true;
        std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after[0] != ':') return std::nullopt;
        portPart = after.empty() ? after : after.substr(1);
        hostPart = {};
    } else {
        const size_t c = authority.find(':');
        if (c != std::string_view::npos) {
            hostPart = authority.substr(0, c);
            portPart = authority.substr(c + 1);
        }
        auto host = parseName(hostPart);
        if (!host) return std::nullopt;
        a.host = *host;
        a.hostIsIp = endsInNumber(a.host);  // a name that ends in a number was read as IPv4
    }
    a.port = a.scheme == "https" ? 443 : 80;
    if (!portPart.empty()) {
        if (portPart.size() > 5 || !std::all_of(portPart.begin(), portPart.end(), isDigit)) return std::nullopt;
        a.port = std::stoi(std::string(portPart));
        if (a.port < 1 || a.port > 65535) return std::nullopt;
    }
    rest = rest.substr(0, rest.find('#'));
    a.path = rest.empty() || rest[0] != '/' ? "/" + std::string(rest) : std::string(rest);
    return a;
}

AddressClass classifyIp(std::string_view ip) {
    const std::string s(ip);
    in_addr v4{};
    in6_addr v6{};
    // inet_pton takes dotted quads only: the other IPv4 forms were made canonical on parsing.
    if (inet_pton(AF_INET, s.c_str(), &v4) == 1) return classifyV4(ntohl(v4.s_addr));
    if (inet_pton(AF_INET6, s.c_str(), &v6) == 1) return classifyV6(v6.s6_addr);
    return AddressClass::Forbidden;
}

AddressClass classifyHost(const std::vector<std::string>& ips) {
    if (ips.empty()) return AddressClass::Forbidden;
    std::set<AddressClass> inner;
    for (const std::string& ip : ips) {
        const AddressClass c = classifyIp(ip);
        if (c == AddressClass::Forbidden) return c;
        if (c != AddressClass::Public) inner.insert(c);
    }
    // One name over two kinds of inner network: no movie may reach both through it.
    if (inner.size() > 1) return AddressClass::Forbidden;
    return inner.empty() ? AddressClass::Public : *inner.begin();
}

}  // namespace qc
