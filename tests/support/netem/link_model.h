#pragma once
// What the emulated link does to one packet: lose it, drop it at a full queue, or let it out at a
// time. Pure (times are nanoseconds on any monotonic clock), so it is tested without the kernel.
//
// Each direction is a line of its own: a packet waits for the line (drop-tail past `queueLimit`
// packets waiting), takes size/rate to go out, then `delayMs` ± `jitterMs` (uniform) to arrive.
// Jitter never reorders a flow: a packet arrives no earlier than the one before it in its flow,
// so TCP sees no spurious reordering; packets of different flows may overtake each other.

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace qcnetem {

struct LinkSettings {
    double delayMs = 0;      // one way
    double jitterMs = 0;     // one way, ± uniform
    double lossPercent = 0;  // random, at the line's entrance (a lost packet costs no line time)
    double rateKbit = 0;     // 0: no limit
    uint64_t seed = 1;
    size_t queueLimit = 0;  // packets waiting for the line, per direction; 0: queueFor(rate, delay)
};

// A router's rule of thumb: a bandwidth-delay product of 1500-byte packets, at least 20 (50 on
// `far`, 26 on `bad` and `terrible`): enough for one TCP flow to keep the line busy after a loss.
size_t queueFor(double rateKbit, double delayMs);

// far, bad, terrible; nothing for another name.
std::optional<LinkSettings> profile(const std::string& name);

// splitmix64: the same numbers from the same seed on every machine.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t next();
    double unit();  // [0, 1)

private:
    uint64_t state_;
};

enum class Fate { Pass, Lost, QueueFull };

struct Verdict {
    Fate fate = Fate::Pass;
    int64_t releaseNs = 0;  // when it arrives, for Pass
};

struct DirectionStats {
    uint64_t packets = 0, lost = 0, queueFull = 0;
};

class Direction {
public:
    Direction(const LinkSettings& settings, int index);
    // A packet of `bytes` (IP length) of flow `flowHash` arriving at the line at `nowNs`.
    Verdict admit(int64_t nowNs, size_t bytes, uint64_t flowHash);
    const DirectionStats& stats() const { return stats_; }

private:
    LinkSettings settings_;
    size_t queueLimit_;
    Random lossRandom_, jitterRandom_;
    int64_t lineFreeNs_ = 0;
    std::deque<int64_t> waiting_;              // when each packet still waiting for the line leaves it
    std::array<int64_t, 4096> lastArrival_{};  // per flow (by hash): order within a flow is kept
    DirectionStats stats_;
};

}  // namespace qcnetem
