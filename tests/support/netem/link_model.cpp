#include "link_model.h"

#include <algorithm>
#include <cmath>

namespace qcnetem {

std::optional<LinkSettings> profile(const std::string& name) {
    if (name == "far") return LinkSettings{.delayMs = 150, .lossPercent = 0.5, .rateKbit = 2000};
    if (name == "bad") return LinkSettings{.delayMs = 300, .jitterMs = 50, .lossPercent = 3, .rateKbit = 512};
    if (name == "terrible") return LinkSettings{.delayMs = 600, .lossPercent = 8, .rateKbit = 256};
    return std::nullopt;
}

size_t queueFor(double rateKbit, double delayMs) {
    const double packets = std::ceil(rateKbit * 1000 * 2 * delayMs / 1000 / 8 / 1500);
    return std::max<size_t>(20, static_cast<size_t>(packets));
}

uint64_t Random::next() {
    uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

double Random::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

Direction::Direction(const LinkSettings& settings, int index)
    : settings_(settings),
      queueLimit_(settings.queueLimit > 0 ? settings.queueLimit : queueFor(settings.rateKbit, settings.delayMs)),
      lossRandom_(settings.seed * 4 + static_cast<uint64_t>(index)),
      jitterRandom_(settings.seed * 4 + 2 + static_cast<uint64_t>(index)) {}

Verdict Direction::admit(int64_t nowNs, size_t bytes, uint64_t flowHash) {
    ++stats_.packets;
    // One draw per packet, lost or not: the same packets are lost on every run with this seed.
    if (lossRandom_.unit() * 100 < settings_.lossPercent) {
        ++stats_.lost;
        return {Fate::Lost, 0};
    }
    int64_t leaves = nowNs;
    if (settings_.rateKbit > 0) {
        while (!waiting_.empty() && waiting_.front() <= nowNs) waiting_.pop_front();
        if (waiting_.size() >= queueLimit_) {
            ++stats_.queueFull;
            return {Fate::QueueFull, 0};
        }
        const double sendNs = static_cast<double>(bytes) * 8 * 1e6 / settings_.rateKbit;
        leaves = std::max(nowNs, lineFreeNs_) + static_cast<int64_t>(sendNs);
        lineFreeNs_ = leaves;
        waiting_.push_back(leaves);
    }
    double delayMs = settings_.delayMs;
    if (settings_.jitterMs > 0) delayMs += (jitterRandom_.unit() * 2 - 1) * settings_.jitterMs;
    int64_t arrives = leaves + static_cast<int64_t>(std::max(0.0, delayMs) * 1e6);
    int64_t& last = lastArrival_[flowHash % lastArrival_.size()];
    arrives = std::max(arrives, last);
    last = arrives;
    return {Fate::Pass, arrives};
}

}  // namespace qcnetem
