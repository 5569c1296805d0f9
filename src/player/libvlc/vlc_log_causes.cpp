#include "player/libvlc/vlc_log_causes.h"

#include <array>
#include <utility>

namespace qc {

namespace {

using Cause = EngineEvent::Cause;

// The three digits after `at` in `line`, or 0.
int statusAfter(std::string_view line, std::size_t at) {
    if (at == std::string_view::npos || at + 3 > line.size()) return 0;
    int status = 0;
    for (std::size_t i = at; i < at + 3; ++i) {
        if (line[i] < '0' || line[i] > '9') return 0;
        status = status * 10 + (line[i] - '0');
    }
    if (at + 3 < line.size() && line[at + 3] >= '0' && line[at + 3] <= '9') return 0;
    return status >= 400 && status <= 599 ? status : 0;
}

// The access modules' own words (net_Connect's strerror, the http modules' status lines, the
// demuxer probe's verdict).
constexpr std::array<std::pair<std::string_view, Cause>, 9> kWords = {{
    {"Connection refused", Cause::Refused},
    {"Network is unreachable", Cause::Unreachable},
    {"No route to host", Cause::Unreachable},
    {"Name or service not known", Cause::HostNotFound},
    {"Temporary failure in name resolution", Cause::HostNotFound},
    {"cannot resolve", Cause::HostNotFound},
    {"Connection timed out", Cause::TimedOut},
    {"can't recognize the input's format", Cause::Unsupported},
    {"no suitable demux module", Cause::Unsupported},
}};

}  // namespace

LogCause causeOfLogLine(std::string_view line) {
    // "HTTP 404 error" (http), "error: HTTP/1.1 404 Not Found" (https)
    if (line.starts_with("HTTP ")) {
        if (int s = statusAfter(line, 5)) return {Cause::HttpStatus, s};
    }
    if (auto at = line.find("HTTP/1."); at != std::string_view::npos && at + 9 <= line.size()) {
        if (int s = statusAfter(line, at + 9)) return {Cause::HttpStatus, s};
    }
    for (const auto& [words, cause] : kWords)
        if (line.find(words) != std::string_view::npos) return {cause, 0};
    return {};
}

}  // namespace qc
