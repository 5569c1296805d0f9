#pragma once
// Flash Player's sandbox for the games window, decided here and enforced by the engine's
// adapter: what a movie may load or send (own origin; other origins by their /crossdomain.xml;
// inner networks only for a movie that came from the same kind of network), and how much it may
// hold in flight. One movie at a time: a new movie forgets everything of the old one.

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/games/web_address.h"

namespace qc {

class FlashSandbox {
public:
    struct Limits {
        uint64_t bytesPerDownload = 64ull << 20;  // no game comes near this
        uint64_t bytesInFlight = 96ull << 20;     // across the movie's unfinished downloads
        uint64_t bytesPerMovie = 128ull << 20;    // everything the movie loads, over its life
        size_t parallel = 4;                      // downloads running at once
        size_t waiting = 64;                      // downloads queued for a slot
        size_t otherOrigins = 16;                 // hosts whose policy the movie may ask for
        size_t sendBytes = 64 << 10;              // data a movie sends in one request
    };

    enum class Verdict {
        Fetch,       // go ahead
        AskPolicy,   // fetch policyAddress, hand it to policyArrived, then decide again
        WaitPolicy,  // that policy is on its way: decide again when it has arrived
        Refuse,      // fail the load, as Flash Player does
    };
    struct Decision {
        Verdict verdict = Verdict::Refuse;
        std::string policyAddress;  // AskPolicy: the host's /crossdomain.xml
    };

    using DownloadId = uint64_t;
    enum class Admission { Start, Wait, Refuse };

    FlashSandbox() : FlashSandbox(Limits{}) {}
    explicit FlashSandbox(Limits limits) : limits_(limits) {}
    const Limits& limits() const { return limits_; }

    // A new movie. Nothing when its address is no http(s) address; then every load is refused.
    std::optional<WebAddress> startMovie(std::string_view address);

    // A load (or a send) of `target` whose host resolved to `ips`. The movie's own first load
    // tells which network it came from.
    Decision decide(const WebAddress& target, const std::vector<std::string>& ips);
    // The policy of `origin` (from AskPolicy): its body, or nothing when it could not be had.
    void policyArrived(const std::string& origin, const std::optional<std::string>& body, bool overHttps);

    // The budget. A download is admitted before its first byte, reports the bytes it holds as
    // they grow (or the length its server declares), and finishes however it ends.
    DownloadId newDownload() { return ++lastId_; }
    Admission admit(DownloadId id);
    // False when the download went over a bound: stop it and fail the load.
    bool hold(DownloadId id, uint64_t bytes);
    // Frees its slot and bytes; the waiting downloads that may start now, in order.
    std::vector<DownloadId> finish(DownloadId id);

    uint64_t bytesInFlight() const { return inFlight_; }
    size_t running() const { return held_.size(); }

private:
    enum class Policy { Pending, Allowed, Denied };

    Limits limits_;
    std::optional<WebAddress> movie_;
    std::optional<AddressClass> movieClass_;  // known from the movie's own first load
    std::map<std::string, Policy> policies_;  // by origin, for this movie
    DownloadId lastId_ = 0;
    std::map<DownloadId, uint64_t> held_;  // running downloads and their bytes
    std::deque<DownloadId> queue_;
    uint64_t inFlight_ = 0;
    uint64_t movieBytes_ = 0;
};

}  // namespace qc
