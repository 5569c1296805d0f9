#pragma once
// Fetches of http(s) candidates, as the player's core asks for them: playlists to read, answers to
// judge before anything reaches the media engine. Several may be under way at once, each known by
// the ticket it was started with. Reports arrive on the caller's thread, never inside fetch().

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qc {

// What a fetch found so far. The adapter reports after the headers, as the body arrives, and at
// the end.
struct FetchReport {
    enum class Failure { None, HostNotFound, Refused, Unreachable, TimedOut, Other };
    Failure failure = Failure::None;
    int status = 0;                                     // 0 until an answer arrived
    std::string contentType, server, pragma, location;  // header values as sent
    // What came of the body so far, at most kMaxPlaylistBytes + 1 bytes; the fetch's own
    // buffer, looked at during the call and not kept.
    std::string_view body;
    bool complete = false;  // the answer ended (or failed) and nothing more will be reported
};

class Prober {
public:
    using Listener = std::function<void(std::uint32_t ticket, const FetchReport&)>;

    virtual ~Prober() = default;
    virtual void setListener(Listener listener) = 0;
    // Starts fetching `address` (an allowed http or https address); redirects are reported, not
    // followed. Holds at most kMaxPlaylistBytes + 1 bytes of the body.
    virtual void fetch(std::uint32_t ticket, const std::string& address) = 0;
    // Ends that fetch: nothing more is reported for it.
    virtual void cancel(std::uint32_t ticket) = 0;
};

}  // namespace qc
