#pragma once
// Web addresses as the games' sandbox sees them: only http and https, parsed strictly into one
// canonical form, so that what we decide on and what we fetch are the same address.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qc {

struct WebAddress {
    std::string scheme;  // "http" or "https"
    std::string host;    // lower-case name, dotted-quad IPv4, or IPv6 (no brackets)
    int port = 0;        // explicit or the scheme's default
    std::string path;    // from the first '/', with the query; never empty; no fragment
    bool hostIsIp = false;

    // scheme://host:port, the unit of the same-origin rule.
    std::string origin() const;
    // The whole address in canonical form, port always given.
    std::string text() const;
    // The host as it goes into an address: IPv6 in brackets.
    std::string hostInUrl() const;
};

// What a movie loads may carry its game's data in the query, as a browser allows (8 KiB is what
// common web servers take in a request line); longer than a stream address may be.
inline constexpr size_t kMaxWebAddressLength = 8192;

// An absolute http(s) address, or nothing: other schemes, user names, spaces, control and
// non-ASCII characters, backslashes, bad ports and hosts are refused. IPv4 hosts in the forms a
// browser also takes (127.1, 0x7f.1, 2130706433) become dotted quads.
std::optional<WebAddress> parseWebAddress(std::string_view text);

// What an IP address reaches. Forbidden: addresses that mean "this host" or many hosts
// (0.0.0.0, multicast, broadcast), reserved ranges, and anything that is no IP address.
enum class AddressClass { Public, Loopback, LinkLocal, Private, Forbidden };

AddressClass classifyIp(std::string_view ip);

// The class of a host that resolved to these addresses: the first that isn't Public, so that a
// name mixing public and private addresses counts as private. No address: Forbidden.
AddressClass classifyHost(const std::vector<std::string>& ips);

}  // namespace qc
