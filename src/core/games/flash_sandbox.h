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
        // One load's time and hops.
        int loadMs = 60'000;    // from its request to its last byte
        int stallMs = 20'000;   // no byte for this long
        int policyMs = 10'000;  // a /crossdomain.xml
        int redirects = 5;
        // A movie as its header declares it and as it unpacks (CWS zlib, ZWS LZMA). Flash Player
        // takes what the 32-bit length says; no game comes near this, a bomb goes far past it.
        uint64_t unpackedMovieBytes = 64ull << 20;
        // The engine's processes together, over what the page held before its first movie, and
        // how often that is looked at.
        uint64_t engineBytes = 512ull << 20;
        int memoryCheckMs = 100;
        // SharedObjects: per site, as Flash Player's default (it asked the user for more), and
        // all sites together.
        size_t sharedObjectBytesPerSite = 100 << 10;
        size_t sharedObjectBytes = 4 << 20;
        // The page's console in our log: lines cut to this, so many in a window of time.
        size_t logLineBytes = 400;
        int logLines = 20;
        int64_t logWindowMs = 10'000;
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

    // The movie's own address, while there is one.
    const std::optional<WebAddress>& movie() const { return movie_; }
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
