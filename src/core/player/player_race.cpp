// The choice of a source: candidates raced a few at a time, fetched or opened in the engine.

#include "core/player/player_session.h"

#include <algorithm>

#include "core/text/ascii.h"

namespace qc {

// ---- the choice: candidates raced, a few at a time --------------------------------------------

void PlayerSession::startChoice() {
    closeAll();
    chooser_ = SourceChooser(bounds_);
    choosing_ = true;
    choiceStartMs_ = lastLifeMs_ = clock_();
    shown_ = paused_ = stalled_ = false;
    position_ = {};
    dirty_ = true;
    setState(kTransitioning);
    say(PlayerStatus::Connecting);
    launch(chooser_.start(url_));
}

void PlayerSession::launch(const Step& step) {
    if (step.kind == Step::Kind::Fail) {
        if (racers_.empty()) endChoice(step.status, step.number);
        return;
    }
    // An mms:// address and its mmsh:// twin start together: the engine's MMS can take its own
    // long time-outs where the server speaks only MMSH.
    const std::string* next = chooser_.peek();
    const bool twin = step.kind == Step::Kind::Play && startsWithNoCase(step.address, "mms://") && next &&
                      *next == "mmsh" + step.address.substr(3);
    makeRoom(twin ? 2 : 1);
    std::vector<Step> steps{step};
    if (twin) steps.push_back(chooser_.take(PlayerStatus::Connecting));
    const int pair = twin ? ++pairs_ : 0;
    std::vector<int> opened;
    for (const Step& s : steps) {
        Racer r;
        r.candidate = s.candidate;
        r.address = s.address;
        r.pair = pair;
        r.lastLifeMs = clock_();
        const bool fetch = s.kind == Step::Kind::Fetch && !isMediaForm(s.address);
        r.unprobed = s.kind == Step::Kind::Fetch && !fetch;
        // A name that says nothing of what is behind it: should it be media, the engine is on
        // its way already rather than after our fetch (two round trips and the server's think
        // time, on a far link seconds).
        r.alongside = fetch && !isTextForm(s.address);
        racers_.push_back(r);
        if (fetch) startFetch(racers_.back());
        if (!fetch || r.alongside) opened.push_back(s.candidate);
    }
    for (int candidate : opened) {
        auto it =
            std::find_if(racers_.begin(), racers_.end(), [&](const Racer& r) { return r.candidate == candidate; });
        if (it == racers_.end()) continue;
        openInEngine(*it, it->address);
        // The last guard, whoever calls: nothing outside the allow-list reaches the engine.
        if (it->slot < 0) racerFailed(static_cast<std::size_t>(it - racers_.begin()), PlayerStatus::CannotPlay);
    }
}

void PlayerSession::openInEngine(Racer& r, const std::string& address) {
    r.slot = -1;
    if (!isAllowedAddress(address)) return;
    for (int slot = 0; slot < MediaEngine::kSlots; ++slot) {
        if (std::any_of(racers_.begin(), racers_.end(), [&](const Racer& o) { return o.slot == slot; })) continue;
        r.slot = slot;
        r.generation = ++generation_;
        r.address = address;
        engine_.open(slot, r.generation, address);
        return;
    }
}

void PlayerSession::closeSlot(Racer& r) {
    if (r.slot >= 0) engine_.close(r.slot);
    r.slot = -1;
}

void PlayerSession::startFetch(Racer& r) {
    r.ticket = ++ticket_;
    prober_.fetch(r.ticket, r.address);
}

void PlayerSession::drop(std::size_t at) {
    Racer& r = racers_[at];
    closeSlot(r);
    if (r.ticket) prober_.cancel(r.ticket);
    racers_.erase(racers_.begin() + static_cast<std::ptrdiff_t>(at));
}

void PlayerSession::closeAll() {
    while (!racers_.empty()) drop(racers_.size() - 1);
}

// Room for `wanted` more: what has been silent longest goes.
void PlayerSession::makeRoom(std::size_t wanted) {
    while (!racers_.empty() && racers_.size() + wanted > static_cast<std::size_t>(MediaEngine::kSlots)) {
        auto it = std::min_element(racers_.begin(), racers_.end(),
                                   [](const Racer& a, const Racer& b) { return a.lastLifeMs < b.lastLifeMs; });
        chooser_.note(it->readingPlaylist ? PlayerStatus::BadPlaylist : PlayerStatus::TimedOut);
        drop(static_cast<std::size_t>(it - racers_.begin()));
    }
}

// One source is done without media; the next takes its place, unless its twin still runs.
void PlayerSession::racerFailed(std::size_t at, PlayerStatus why, int number) {
    const int pair = racers_[at].pair;
    drop(at);
    if (pair && std::any_of(racers_.begin(), racers_.end(), [&](const Racer& r) { return r.pair == pair; })) {
        chooser_.note(why, number);
        return;
    }
    Step next = chooser_.failed(why, number);
    if (next.kind != Step::Kind::Fail) say(PlayerStatus::TryingNext);
    launch(next);
}

void PlayerSession::fetchReport(std::uint32_t ticket, const FetchReport& report) {
    auto it = std::find_if(racers_.begin(), racers_.end(), [&](const Racer& r) { return r.ticket == ticket; });
    if (ticket == 0 || it == racers_.end()) return;
    if (report.status > 0 || !report.body.empty()) life(*it);
    const int candidate = it->candidate;
    const Step s = chooser_.fetched(candidate, report);
    const auto at = static_cast<std::size_t>(it - racers_.begin());
    if (s.candidate == candidate && s.kind == Step::Kind::Read) {
        if (s.status == PlayerStatus::OpeningPlaylist && !it->readingPlaylist) {
            it->readingPlaylist = true;
            closeSlot(*it);  // a playlist is ours to read: the engine's try alongside ends
            say(PlayerStatus::OpeningPlaylist);
        }
        return;
    }
    if (s.candidate == candidate && s.kind == Step::Kind::Play) {
        prober_.cancel(ticket);
        it->ticket = 0;
        it->readingPlaylist = false;
        // Media where the engine already is: it goes on.
        if (it->slot >= 0 && s.address == it->address) return;
        closeSlot(*it);
        // Media again, where the engine already failed: nothing else will take it.
        if (!(it->fetchedAfterEngine && s.address == it->address)) openInEngine(*it, s.address);
        if (it->slot < 0) racerFailed(at, PlayerStatus::CannotPlay);
        return;
    }
    // This candidate is done: failed (noted), or replaced by its redirect's target or its refs.
    drop(at);
    if (s.kind != Step::Kind::Fail)
        say(s.status == PlayerStatus::TryingNext ? PlayerStatus::TryingNext : PlayerStatus::Connecting);
    launch(s);
}

// The bounds ran out with sources still under way: say what they did.
void PlayerSession::giveUp() {
    PlayerStatus why = PlayerStatus::TimedOut;
    for (const Racer& r : racers_) {
        if (r.readingPlaylist) why = PlayerStatus::BadPlaylist;
        else if (r.life && why == PlayerStatus::TimedOut) why = PlayerStatus::TooSlow;
    }
    endChoice(why);
}

void PlayerSession::endChoice(PlayerStatus why, int number) {
    closeAll();
    choosing_ = false;
    chooser_.abandon();
    if (reconnecting_ && clock_() - cutMs_ < kReconnectForMs) {
        scheduleRetry();
        return;
    }
    reconnecting_ = false;
    position_ = {};
    setState(kStopped);
    say(why, number);
}

}  // namespace qc
