#pragma once
// DownloadFile on libcurl: a blocking transfer on the calling thread, bounded in time and size.

#include <chrono>
#include <cstddef>

#include "core/update/update_check.h"

namespace qc {

// The window doesn't answer while the descriptor comes in, so every bound is short: a few bytes need
// no more.
struct DownloadLimits {
    std::chrono::milliseconds connectTimeout{std::chrono::seconds(10)};
    // Ends the transfer when fewer than one byte a second arrived over this long.
    std::chrono::seconds stallTimeout{10};
    // The whole transfer, redirects included: a trickle that never quite stalls still ends.
    std::chrono::seconds totalTimeout{30};
    std::size_t maxBytes = 64 * 1024;  // the descriptor is a few bytes
    long maxRedirects = 3;
};

class CurlDownload : public Download {
public:
    explicit CurlDownload(DownloadLimits limits = {});
    // Only an http or https answer with a 2xx status, received whole and within the limits,
    // replaces `path`; anything else leaves an earlier file there exactly as it was.
    bool DownloadFile(const std::string& address, const std::string& path) override;

private:
    DownloadLimits limits_;
};

}  // namespace qc
