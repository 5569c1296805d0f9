#pragma once
// What the player does with an address, on a media engine and a prober: the choice of a source
// (what SourceChooser lets through, raced a few at a time), the bounds of that choice counted from
// the last sign of life, the play states and a status line that says what the picture does, and
// live sources that come back by themselves after a cut. Driven by the adapter's calls and its
// tick(); reads the time from the clock it is given.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "core/player/player_status.h"
#include "core/player/source_chooser.h"
#include "core/ports/media_engine.h"
#include "core/ports/media_player.h"
#include "core/ports/prober.h"

namespace qc {

// Playback that shows no progress for longer than this says it is buffering.
inline constexpr std::int64_t kStallMs = 1000;
// A live source cut off is tried again after these waits (the last one over and over) for at
// least kReconnectForMs from the cut.
inline constexpr std::int64_t kReconnectWaitsMs[] = {1000, 2000, 4000, 8000, 15000};
inline constexpr std::int64_t kReconnectForMs = 120000;

// It stands between the engine and the picture's sink: a picture shown is the surest sign that
// playback has begun, or goes on.
class PlayerSession : private PictureSink {
public:
    using Clock = std::function<std::int64_t()>;  // milliseconds, never going back

    PlayerSession(MediaEngine& engine, Prober& prober, Clock clock, AttemptBounds bounds = {});
    ~PlayerSession();
    PlayerSession(const PlayerSession&) = delete;
    PlayerSession& operator=(const PlayerSession&) = delete;

    void setBounds(AttemptBounds bounds) { bounds_ = bounds; }
    // Where the pictures go (the engine hands them to the session, which passes them on).
    void setPictureSink(PictureSink* sink) { sink_ = sink; }
    // Called after the play state, the status or the position changed.
    void setListener(std::function<void()> changed) { changed_ = std::move(changed); }

    // What the user does. An empty address stops and shows nothing.
    void setUrl(const std::string& url);
    void playPause();  // pause, go on, or the current address over again
    void stop();
    void seek(double position);  // 0..1, when the source can be sought
    void setVolume(int percent) { engine_.setVolume(percent); }
    void setMute(bool on) { engine_.setMute(on); }
    // The adapter calls this often (every 100 ms or so): bounds, stalls and retries.
    void tick();

    int playState() const { return state_; }
    PlayerStatus status() const { return status_; }
    int statusNumber() const { return statusNumber_; }
    struct Position {
        bool seekable = false;
        double where = 0;  // 0..1
        std::int64_t timeMs = 0, lengthMs = 0;
    };
    Position position() const { return position_; }
    // Whether tick() has anything to watch: a choice, a retry, or playback that may stall.
    bool needsTicks() const { return choosing_ || waiting_ || !racers_.empty(); }
    // Sources under way at once (engine slots and fetches).
    int inFlight() const { return static_cast<int>(racers_.size()); }
    const std::vector<std::string>& droppedAddresses() const { return chooser_.dropped(); }

private:
    struct Racer {
        int candidate = -1;
        std::string address;
        int slot = -1;                 // in the engine, or -1
        std::uint32_t generation = 0;  // of its open
        std::uint32_t ticket = 0;      // of its fetch, or 0
        int pair = 0;                  // an mms:// address and its mmsh:// twin share one
        std::int64_t lastLifeMs = 0;
        bool life = false;       // it answered, or data came
        bool spawned = false;    // its silence started the next candidate beside it
        bool unprobed = false;   // an http media form handed to the engine unfetched
        bool alongside = false;  // fetched while the engine tries it too
        bool fetchedAfterEngine = false;
        bool readingPlaylist = false;
        bool won = false;  // its media came first: it alone plays
        int percent = 0;
    };
    struct Pending {
        bool fromEngine = true;
        EngineEvent event;
        std::uint32_t ticket = 0;
        FetchReport report;
        std::string body;  // the report's body, owned while it waits
    };

    void picture(const std::uint8_t* pixels, int width, int height, int pitch) override;
    void clearPicture() override;
    void pictureShown();
    void advanced();  // the winner's playback moved on: a picture, or its clock

    // Runs a call; events that arrive during it wait for its end.
    template <class F> void run(F&& f);
    void engineEvent(const EngineEvent& e);
    void fetchReport(std::uint32_t ticket, const FetchReport& r);

    void startChoice();
    void launch(const Step& step);
    void openInEngine(Racer& r, const std::string& address);
    void startFetch(Racer& r);
    void closeSlot(Racer& r);
    void racerFailed(std::size_t at, PlayerStatus why, int number = 0);
    void drop(std::size_t at);
    void makeRoom(std::size_t wanted);
    void win(std::size_t at);
    void winnerEvent(Racer& r, const EngineEvent& e);
    void cutOff(PlayerStatus why, int number);
    void endChoice(PlayerStatus why, int number = 0);
    void giveUp();
    void closeAll();
    void endRetries();
    void scheduleRetry();
    void life(Racer& r);
    bool isLive(const Racer& r) const;
    Racer* find(int slot, std::uint32_t generation);

    void setState(int state);
    // The status line; while reconnecting, the texts of connecting say that instead.
    void say(PlayerStatus s, int number = 0);
    void notify();

    MediaEngine& engine_;
    Prober& prober_;
    Clock clock_;
    AttemptBounds bounds_;
    std::function<void()> changed_;
    PictureSink* sink_ = nullptr;
    SourceChooser chooser_;

    std::string url_;
    std::vector<Racer> racers_;
    std::uint32_t generation_ = 0, ticket_ = 0;
    int pairs_ = 0;
    std::int64_t choiceStartMs_ = 0, lastLifeMs_ = 0;
    bool choosing_ = false;

    // The winner's playback.
    bool shown_ = false;  // its first picture or sound came
    bool paused_ = false;
    bool stalled_ = false;
    std::int64_t lastAdvanceMs_ = 0, lastTimeMs_ = -1, lastPictures_ = -1;

    bool reconnecting_ = false;
    bool waiting_ = false;  // for the next retry
    std::int64_t cutMs_ = 0, retryAtMs_ = 0;
    int retries_ = 0;

    int state_ = kUndefined;
    PlayerStatus status_ = PlayerStatus::Idle;
    int statusNumber_ = 0;
    Position position_;
    bool dirty_ = false;

    int depth_ = 0;
    std::deque<Pending> pending_;
    bool pictureWaits_ = false;  // one came during a call
};

}  // namespace qc
