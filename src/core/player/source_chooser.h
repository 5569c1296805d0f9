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
#include "core/ports/prober.h"

namespace qc {

// Stream addresses are short (a server, a point, a few query fields) and go to the media engine,
// whose own URL handling is the thing to protect: a tighter bound than the games' web addresses.
inline constexpr std::size_t kMaxStreamAddressLength = 2048;
inline constexpr int kMaxRedirects = 5;  // per candidate chain
// How long one choice of an entry may take.
struct AttemptBounds {
    // Across all its candidates, counted from the last sign of life of any of them.
    std::chrono::milliseconds deadline{30000};
    // A candidate that shows no sign of life (no answer, no data) for this long is given up
    // while others remain (raced: the next one starts beside it).
    std::chrono::milliseconds silence{5000};
    // mms:// first tries MMS over TCP, then over UDP, before MMS over HTTP; against a port 1755
    // that drops packets each earlier try takes the engine's own time-out: measured 10.1 s from
    // play to playing over MMSH on loopback (0.1 s when the port refuses).
    std::chrono::milliseconds mmsSilence{12000};
    // The whole choice, from its start, whatever shows life.
    std::chrono::milliseconds cap{120000};
};

// Schemes the engine may be handed for anything that came from the network.
bool isAllowedScheme(std::string_view address);
// An address the engine may be handed: an allowed scheme with a host, no NUL or control bytes,
// not longer than kMaxStreamAddressLength.
bool isAllowedAddress(std::string_view address);

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
    int candidate = -1;  // which candidate `address` is (Fetch, Play, Read)
};

class SourceChooser {
public:
    explicit SourceChooser(AttemptBounds bounds = {}) : bounds_(bounds) {}
    const AttemptBounds& bounds() const { return bounds_; }

    // A new choice: the entry's own address.
    Step start(std::string_view address);
    // After a Fetch step: what came for the candidate last handed out. Read means the adapter
    // should go on reading.
    Step fetched(const FetchReport& report) { return fetched(current_, report); }
    // What came for `candidate` (a Fetch step's), which may not be the last handed out: several
    // may be under way at once. Redirect targets and playlist refs are tried next. A step for
    // another candidate means this one is done (failed, redirected or read).
    Step fetched(int candidate, const FetchReport& report);
    // The current candidate failed (in the engine, or it showed no sign of life in time): the
    // next one.
    Step failed(PlayerStatus why, int number = 0);
    // A candidate failed; says nothing of what comes next.
    void note(PlayerStatus why, int number = 0);
    // The next candidate, or Fail (with the last failure noted) when none is left; the choice
    // stays active while what was handed out still runs.
    Step take(PlayerStatus status);
    // The address take() would hand out next, or null.
    const std::string* peek() const;
    // Nothing more is tried for this choice (the deadline passed, or the user stopped it).
    void abandon();

    bool active() const { return active_; }
    // How long the current candidate may stay silent before it is given up, tried one by one.
    std::chrono::milliseconds silenceBound() const;
    PlayerStatus lastFailure() const { return lastFailure_; }
    int lastNumber() const { return lastNumber_; }
    // The addresses dropped by the allow-list since start (for tests and diagnostics).
    const std::vector<std::string>& dropped() const { return dropped_; }

private:
    struct Candidate {
        std::string address;
        int redirects = 0;  // hops of its redirect chain so far
        int nesting = 0;    // playlists it lies within
    };
    Step playlist(int candidate, const FetchReport& report);
    std::size_t insertNext(std::vector<Candidate> more);  // how many found room

    AttemptBounds bounds_;
    std::vector<Candidate> candidates_;
    std::size_t next_ = 0;
    int current_ = -1;
    bool active_ = false;
    PlayerStatus lastFailure_ = PlayerStatus::CannotPlay;
    int lastNumber_ = 0;
    std::vector<std::string> dropped_;
};

// Windows Media forms that the engine is handed at once, unfetched: only what it can't take
// (a playlist behind such a name) is fetched after it failed.
bool isMediaForm(std::string_view address);
// Forms that are read, not played (playlists, pages): the engine is not handed them before they
// were fetched. What has neither form (a script's address, a query) is fetched while the engine
// tries it too.
bool isTextForm(std::string_view address);
// Whether `address` is an http(s) one.
bool isHttpAddress(std::string_view address);

}  // namespace qc
