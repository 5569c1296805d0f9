#pragma once
// A host's /crossdomain.xml, as Flash Player reads it: which movies' domains may load from it.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/games/web_address.h"

namespace qc {

struct CrossDomainPolicy {
    struct Allow {
        std::string domain;  // "*", "*.example.com" or an exact host, lower case
        bool secure = true;  // served over https: only https movies, unless secure="false"
    };
    std::vector<Allow> allow;
};

inline constexpr size_t kMaxPolicyBytes = 64 * 1024;
inline constexpr size_t kMaxPolicyElements = 1024;

// Nothing when the text is no policy (too long, not XML we read, another root, a DTD with an
// internal subset): then the host allows nothing. site-control with
// permitted-cross-domain-policies="none" gives a policy that allows nothing.
std::optional<CrossDomainPolicy> parseCrossDomainPolicy(std::string_view xml);

// Whether `policy`, served over https or not, lets a movie from `movie` load from its host.
bool policyAllows(const CrossDomainPolicy& policy, const WebAddress& movie, bool servedOverHttps);

}  // namespace qc
