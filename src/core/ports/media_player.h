#pragma once
// The embedded media player control, as the program drives it.

#include <cstdint>
#include <string>

namespace qc {

// Play states, numbered as the player control numbers them.
enum PlayState : int {
    kUndefined = 0,
    kStopped = 1,
    kPaused = 2,
    kPlaying = 3,
    kBuffering = 6,
    kMediaEnded = 8,
    kTransitioning = 9,
    kReady = 10,
};

// A control boolean: 0 is false, any other value true; the program writes -1 for true.
using ControlBool = std::int16_t;
constexpr ControlBool kControlTrue = -1;
constexpr ControlBool kControlFalse = 0;

class MediaPlayerControl {
public:
    virtual ~MediaPlayerControl() = default;
    // Replaces what plays and starts the new address at once, without waiting for it.
    // An empty address stops and shows nothing.
    virtual void setUrl(const std::string& url) = 0;
    virtual int playState() const = 0;
    virtual ControlBool fullScreen() const = 0;
    virtual void setFullScreen(ControlBool on) = 0;
};

}  // namespace qc
