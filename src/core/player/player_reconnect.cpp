// A live source cut off: tried again after a while, again and again, until the user acts.

#include <algorithm>
#include <iterator>

#include "core/player/player_session.h"
#include "core/text/ascii.h"

namespace qc {

namespace {

bool isMmsFamily(std::string_view address) {
    for (std::string_view s : {"mms://", "mmsh://", "mmst://", "mmsu://"})
        if (startsWithNoCase(address, s)) return true;
    return false;
}

}  // namespace

// The winner ended by itself: a live source is tried again, anything else has ended.
void PlayerSession::cutOff(PlayerStatus why, int number) {
    const bool live = isLive(racers_.front());
    closeAll();
    if (live) {
        reconnecting_ = true;
        cutMs_ = clock_();
        retries_ = 0;
        scheduleRetry();
        return;
    }
    position_ = {};
    setState(why == PlayerStatus::Ended ? kMediaEnded : kStopped);
    say(why, number);
}

// No duration is live; so is a Windows Media stream cut off well before the end it announced (a
// broadcast's header may carry one), but not a file that reached its end.
bool PlayerSession::isLive(const Racer& r) const {
    return position_.lengthMs <= 0 || (isMmsFamily(r.address) && position_.timeMs < position_.lengthMs - 5000);
}

void PlayerSession::scheduleRetry() {
    waiting_ = true;
    const auto waits = std::size(kReconnectWaitsMs);
    retryAtMs_ = clock_() + kReconnectWaitsMs[std::min<std::size_t>(static_cast<std::size_t>(retries_), waits - 1)];
    ++retries_;
    setState(kTransitioning);
    say(PlayerStatus::Reconnecting);
}

void PlayerSession::endRetries() { reconnecting_ = waiting_ = false; }

}  // namespace qc
