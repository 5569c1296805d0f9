#include "core/player/player_session.h"

#include <algorithm>

#include "core/text/ascii.h"

namespace qc {

namespace {

using Kind = EngineEvent::Kind;
using Cause = EngineEvent::Cause;

PlayerStatus statusOf(const EngineEvent& e, int& number) {
    number = 0;
    switch (e.cause) {
    case Cause::Refused: return PlayerStatus::Refused;
    case Cause::Unreachable: return PlayerStatus::Unreachable;
    case Cause::HostNotFound: return PlayerStatus::HostNotFound;
    case Cause::TimedOut: return PlayerStatus::TimedOut;
    case Cause::HttpStatus:
        number = e.httpStatus;
        return e.httpStatus == 404 || e.httpStatus == 410 ? PlayerStatus::NotFound : PlayerStatus::HttpError;
    default: return PlayerStatus::CannotPlay;
    }
}

// What says the host or the point is not there: its twin would hear the same.
bool failsTheHost(const EngineEvent& e) {
    return e.kind == Kind::Failed &&
           (e.cause == Cause::HttpStatus || e.cause == Cause::HostNotFound || e.cause == Cause::Unreachable);
}

// An end the engine gives media it could not take whole; a fetch may tell more (a playlist behind
// a media name).
bool mayBeAPlaylist(const EngineEvent& e) {
    return e.kind == Kind::Ended || e.cause == Cause::Other || e.cause == Cause::Unsupported;
}

}  // namespace

PlayerSession::PlayerSession(MediaEngine& engine, Prober& prober, Clock clock, AttemptBounds bounds)
    : engine_(engine), prober_(prober), clock_(std::move(clock)), bounds_(bounds), chooser_(bounds) {
    engine_.setListener([this](const EngineEvent& e) {
        if (depth_ > 0) pending_.push_back({true, e, 0, {}, {}});
        else run([&] { engineEvent(e); });
    });
    engine_.setPictureSink(this);
    prober_.setListener([this](std::uint32_t ticket, const FetchReport& r) {
        if (depth_ > 0) {
            Pending p{false, {}, ticket, r, std::string(r.body)};
            p.report.body = {};
            pending_.push_back(std::move(p));
        } else {
            run([&] { fetchReport(ticket, r); });
        }
    });
}

PlayerSession::~PlayerSession() {
    engine_.setPictureSink(nullptr);
    engine_.setListener(nullptr);
    prober_.setListener(nullptr);
    closeAll();
}

template <class F> void PlayerSession::run(F&& f) {
    ++depth_;
    struct Leave {
        int& depth;
        ~Leave() { --depth; }
    } leave{depth_};
    f();
    if (depth_ == 1) {
        while (!pending_.empty() || pictureWaits_) {
            if (pictureWaits_) {
                pictureWaits_ = false;
                pictureShown();
                continue;
            }
            Pending p = std::move(pending_.front());
            pending_.pop_front();
            if (p.fromEngine) {
                engineEvent(p.event);
            } else {
                p.report.body = p.body;
                fetchReport(p.ticket, p.report);
            }
        }
        notify();
    }
}

// ---- what the user does ---------------------------------------------------------------------

void PlayerSession::setUrl(const std::string& url) {
    run([&] {
        endRetries();
        url_ = url;
        if (!url.empty()) {
            startChoice();
            return;
        }
        // Never an empty location for the engine: stop and show nothing.
        closeAll();
        choosing_ = false;
        chooser_.abandon();
        setState(kStopped);
        say(PlayerStatus::Stopped);
    });
}

void PlayerSession::stop() {
    run([&] {
        endRetries();
        closeAll();
        choosing_ = false;
        chooser_.abandon();
        setState(kStopped);
        say(PlayerStatus::Stopped);
    });
}

void PlayerSession::playPause() {
    run([&] {
        if (!racers_.empty() && racers_.front().won) {
            engine_.pause(racers_.front().slot, !paused_);
            return;
        }
        if (choosing_ || url_.empty()) return;
        endRetries();
        startChoice();  // the current address over again
    });
}

void PlayerSession::seek(double where) {
    run([&] {
        if (racers_.empty() || !racers_.front().won || !position_.seekable) return;
        engine_.seek(racers_.front().slot, std::clamp(where, 0.0, 1.0));
    });
}

void PlayerSession::tick() {
    run([&] {
        const std::int64_t now = clock_();
        if (waiting_ && now >= retryAtMs_) {
            waiting_ = false;
            startChoice();
            return;
        }
        if (choosing_) {
            if (now - choiceStartMs_ >= bounds_.cap.count() || now - lastLifeMs_ >= bounds_.deadline.count()) {
                giveUp();
                return;
            }
            // A source silent for the bound: the next one starts beside it (a pair counts as one).
            for (Racer& r : racers_) {
                if (r.spawned || r.won) continue;
                std::int64_t last = r.lastLifeMs;
                for (const Racer& o : racers_)
                    if (r.pair && o.pair == r.pair) last = std::max(last, o.lastLifeMs);
                if (now - last < bounds_.silence.count()) continue;
                const int pair = r.pair;
                r.spawned = true;
                for (Racer& o : racers_)
                    if (pair && o.pair == pair) o.spawned = true;
                if (chooser_.peek()) launch(chooser_.take(PlayerStatus::Connecting));
                break;  // the list changed; the next tick sees the rest
            }
        }
        if (!racers_.empty() && racers_.front().won && shown_ && !paused_ && !stalled_ &&
            now - lastAdvanceMs_ > kStallMs) {
            stalled_ = true;
            setState(kBuffering);
            // The first buffering ended at 100 %; a stall starts from nothing until the engine says.
            Racer& w = racers_.front();
            if (w.percent >= 100) w.percent = 0;
            say(PlayerStatus::Buffering, w.percent);
        }
    });
}

void PlayerSession::engineEvent(const EngineEvent& e) {
    if (e.kind == Kind::Lost) {
        // Every slot went with the engine: nothing to close there.
        for (Racer& r : racers_) r.slot = -1;
        closeAll();
        endRetries();
        choosing_ = false;
        chooser_.abandon();
        position_ = {};
        setState(kStopped);
        say(PlayerStatus::EngineLost);
        return;
    }
    Racer* r = find(e.slot, e.generation);
    if (!r) return;  // of a source closed or replaced since
    if (r->won) {
        winnerEvent(*r, e);
        return;
    }
    switch (e.kind) {
    case Kind::Life: life(*r); break;
    case Kind::Buffering:
        // The engine's own start says 0 % before any server was reached.
        if (e.percent <= 0) break;
        life(*r);
        r->percent = e.percent;
        setState(kBuffering);
        say(PlayerStatus::Buffering, e.percent);
        break;
    case Kind::Media:
        life(*r);
        win(static_cast<std::size_t>(r - racers_.data()));
        break;
    case Kind::Progress:
        life(*r);
        if (e.pictures > 0 || e.timeMs > 0) {
            win(static_cast<std::size_t>(r - racers_.data()));
            winnerEvent(racers_.front(), e);
        }
        break;
    case Kind::Ended:
    case Kind::Failed: {
        if (r->alongside && r->ticket && mayBeAPlaylist(e)) {
            // Not media to the engine: what our fetch finds decides.
            closeSlot(*r);
            r->fetchedAfterEngine = true;
            break;
        }
        if (r->unprobed && mayBeAPlaylist(e)) {
            // Handed over unfetched; what is behind the name is fetched once now.
            closeSlot(*r);
            r->unprobed = false;
            r->fetchedAfterEngine = true;
            startFetch(*r);
            break;
        }
        int number = 0;
        const PlayerStatus why = e.kind == Kind::Ended ? PlayerStatus::CannotPlay : statusOf(e, number);
        if (r->pair && failsTheHost(e)) {
            const int pair = r->pair;
            const std::uint32_t generation = r->generation;
            for (std::size_t i = racers_.size(); i-- > 0;)
                if (racers_[i].pair == pair && racers_[i].generation != generation) drop(i);
            r = find(e.slot, e.generation);
        }
        racerFailed(static_cast<std::size_t>(r - racers_.data()), why, number);
        break;
    }
    default: break;
    }
}

void PlayerSession::win(std::size_t at) {
    Racer w = racers_[at];
    w.won = true;
    w.pair = 0;
    if (w.ticket) prober_.cancel(w.ticket);  // the engine plays it: our fetch alongside is done
    w.ticket = 0;
    w.readingPlaylist = false;
    racers_[at].slot = -1;  // kept open: it is the winner
    racers_[at].ticket = 0;
    closeAll();
    racers_.push_back(w);
    engine_.show(w.slot);
    shown_ = paused_ = stalled_ = false;
    lastTimeMs_ = lastPictures_ = -1;
    lastAdvanceMs_ = clock_();
    setState(kBuffering);
    say(PlayerStatus::Buffering, w.percent);
}

void PlayerSession::winnerEvent(Racer& r, const EngineEvent& e) {
    switch (e.kind) {
    case Kind::Life: life(r); break;
    case Kind::Buffering:
        life(r);
        r.percent = e.percent;
        if (!shown_ || stalled_) say(PlayerStatus::Buffering, e.percent);
        break;
    case Kind::Playing:
        life(r);
        paused_ = false;
        lastAdvanceMs_ = clock_();
        if (shown_) {
            stalled_ = false;
            setState(kPlaying);
            say(PlayerStatus::Playing);
        }
        break;
    case Kind::Paused:
        paused_ = true;
        stalled_ = false;
        setState(kPaused);
        say(PlayerStatus::Paused);
        break;
    case Kind::Progress: {
        life(r);
        position_ = {e.seekable && e.lengthMs > 0, e.position, e.timeMs, e.lengthMs};
        dirty_ = true;
        const bool advanced = e.timeMs != lastTimeMs_ || e.pictures != lastPictures_;
        lastTimeMs_ = e.timeMs;
        lastPictures_ = e.pictures;
        // A picture shown, or sound playing where there is no picture.
        if (advanced && (e.pictures > 0 || (!e.hasVideo && e.timeMs > 0))) this->advanced();
        break;
    }
    case Kind::Ended:
    case Kind::Failed: {
        int number = 0;
        const PlayerStatus why = e.kind == Kind::Ended ? PlayerStatus::CannotPlay : statusOf(e, number);
        if (!shown_) racerFailed(static_cast<std::size_t>(&r - racers_.data()), why, number);
        else cutOff(e.kind == Kind::Ended ? PlayerStatus::Ended : why, number);
        break;
    }
    default: break;
    }
}

void PlayerSession::advanced() {
    lastAdvanceMs_ = clock_();
    if (!shown_) {
        shown_ = true;
        choosing_ = false;
        chooser_.abandon();
        endRetries();
    }
    if (!paused_ && (state_ != kPlaying || stalled_)) {
        stalled_ = false;
        setState(kPlaying);
        say(PlayerStatus::Playing);
    }
}

void PlayerSession::picture(const std::uint8_t* pixels, int width, int height, int pitch) {
    if (sink_) sink_->picture(pixels, width, height, pitch);
    if (depth_ > 0) pictureWaits_ = true;  // the engine shows one at once when told to show
    else run([&] { pictureShown(); });
}

void PlayerSession::clearPicture() {
    if (sink_) sink_->clearPicture();
}

// Only the shown source's pictures come here: once it won, the user sees it play.
void PlayerSession::pictureShown() {
    if (!racers_.empty() && racers_.front().won) advanced();
}

void PlayerSession::life(Racer& r) {
    r.life = true;
    r.lastLifeMs = lastLifeMs_ = clock_();
}

PlayerSession::Racer* PlayerSession::find(int slot, std::uint32_t generation) {
    for (Racer& r : racers_)
        if (r.slot == slot && r.generation == generation && slot >= 0) return &r;
    return nullptr;
}

void PlayerSession::setState(int state) {
    if (state == state_) return;
    state_ = state;
    dirty_ = true;
}

void PlayerSession::say(PlayerStatus s, int number) {
    if (reconnecting_ &&
        (s == PlayerStatus::Connecting || s == PlayerStatus::OpeningPlaylist || s == PlayerStatus::TryingNext)) {
        s = PlayerStatus::Reconnecting;
        number = 0;
    }
    if (s == status_ && number == statusNumber_) return;
    status_ = s;
    statusNumber_ = number;
    dirty_ = true;
}

void PlayerSession::notify() {
    while (dirty_) {  // what the listener itself changes is told too
        dirty_ = false;
        if (changed_) changed_();
    }
}

}  // namespace qc
