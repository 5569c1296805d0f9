#pragma once
// What reaches the player's engine. Everything that came from the network (playlist refs,
// redirects) passes an allow-list here first: only network schemes, no control bytes, bounded
// length, counts and time. The player's adapter fetches and plays; this decides what, in order.

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/player/player_status.h"
#include "core/player/playlist.h"  // its caps

namespace qc {

// Stream addresses are short (a server, a point, a few query fields) and go to the media engine,
// whose own URL handling is the thing to protect: a tighter bound than the games' web addresses.
inline constexpr std::size_t kMaxStreamAddressLength = 2048;
inline constexpr int kMaxRedirects = 5;  // per candidate chain
// How long one choice of an entry may take.
struct AttemptBounds {
    // Across all its candidates.
    std::chrono::milliseconds deadline{30000};
    // A candidate that shows no sign of life (no answer, no data) for this long is given up
    // while others remain.
    std::chrono::milliseconds silence{5000};
    // mms:// first tries MMS over TCP, then over UDP, before MMS over HTTP; against a port 1755
    // that drops packets each earlier try takes the engine's own time-out: measured 10.1 s from
    // play to playing over MMSH on loopback (0.1 s when the port refuses).
    std::chrono::milliseconds mmsSilence{12000};
};

// Schemes the engine may be handed for anything that came from the network.
bool isAllowedScheme(std::string_view address);
// An address the engine may be handed: an allowed scheme with a host, no NUL or control bytes,
// not longer than kMaxStreamAddressLength.
bool isAllowedAddress(std::string_view address);

// What a fetch of an http(s) candidate found so far. The adapter reports after the headers, as
// the body arrives, and at the end.
struct FetchReport {
    enum class Failure { None, HostNotFound, Refused, TimedOut, Other };
    Failure failure = Failure::None;
    int status = 0;                                     // 0 until an answer arrived
    std::string contentType, server, pragma, location;  // header values as sent
    // What came of the body so far, at most kMaxPlaylistBytes + 1 bytes; the fetch's own
    // buffer, looked at during the call and not kept.
    std::string_view body;
    bool complete = false;  // the answer ended (or failed) and nothing more will be reported
};

struct Step {
    enum class Kind {
        Fetch,  // fetch `address` and report what came (http and https)
        Play,   // hand `address` to the engine
        Read,   // keep reading the current fetch
        Fail,   // nothing (more) to try: stop, and show `status`
    };
    Kind kind = Kind::Fail;
    std::string address;
    PlayerStatus status = PlayerStatus::CannotPlay;  // what the status line says now
    int number = 0;
};

class SourceChooser {
public:
    explicit SourceChooser(AttemptBounds bounds = {}) : bounds_(bounds) {}
    const AttemptBounds& bounds() const { return bounds_; }

    // A new choice: the entry's own address.
    Step start(std::string_view address);
    // After a Fetch step: what came. Read means the adapter should go on reading.
    Step fetched(const FetchReport& report);
    // The current candidate failed (in the engine, or it showed no sign of life in time).
    Step failed(PlayerStatus why, int number = 0);
    // Nothing more is tried for this choice (the deadline passed, or the user stopped it).
    void abandon();

    bool active() const { return active_; }
    // How long the current candidate may stay silent before it is given up.
    std::chrono::milliseconds silenceBound() const;
    // The addresses dropped by the allow-list since start (for tests and diagnostics).
    const std::vector<std::string>& dropped() const { return dropped_; }

private:
    Step next(PlayerStatus status);
    Step playlist(const FetchReport& report);

    AttemptBounds bounds_;
    std::vector<std::string> candidates_;
    std::size_t next_ = 0;
    std::string current_;
    int nesting_ = 0;
    int redirects_ = 0;
    bool active_ = false;
    PlayerStatus lastFailure_ = PlayerStatus::CannotPlay;
    int lastNumber_ = 0;
    std::vector<std::string> dropped_;
};

}  // namespace qc
