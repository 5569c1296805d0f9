#pragma once
// The media engine as the player drives it: sources opened in numbered slots (a choice may race a
// few), each open stamped with a generation that every later event of it carries, so that an
// event of a source closed or replaced since is told apart. Events arrive on the caller's thread.
// One adapter hosts libvlc in the viewer's own process, another in a process of its own.

#include <cstdint>
#include <functional>
#include <string>

namespace qc {

struct EngineEvent {
    enum class Kind {
        Opening,    // the source is being opened
        Life,       // a sign that its server is there (it answered, data came)
        Buffering,  // percent
        Media,      // its streams were found: media is arriving (once per open)
        Playing,
        Paused,
        Ended,
        Failed,    // cause, httpStatus
        Progress,  // timeMs, lengthMs, position, seekable, hasVideo, pictures
        Lost,      // the engine itself is gone (every slot with it); slot and generation are 0
    };
    enum class Cause {
        Other,
        Refused,       // nothing listens there
        Unreachable,   // no route to the host: the network, not the address
        HostNotFound,  // the name didn't resolve
        TimedOut,      // connected, or tried to, and nothing came
        HttpStatus,    // an HTTP error status, in httpStatus
        Unsupported,   // nothing in the engine could open or decode it
        TooLarge,      // it took more memory than the engine may
    };
    Kind kind = Kind::Opening;
    int slot = 0;
    std::uint32_t generation = 0;
    int percent = 0;
    Cause cause = Cause::Other;
    int httpStatus = 0;
    std::int64_t timeMs = 0;
    std::int64_t lengthMs = 0;  // 0: live or unknown
    double position = 0;        // 0..1
    bool seekable = false;
    bool hasVideo = false;
    std::int64_t pictures = 0;  // shown so far
};

// Where the shown source's pictures go: 32-bit pixels (B, G, R, unused in memory order), `pitch`
// bytes a row, valid during the call only. Called on the caller's thread.
class PictureSink {
public:
    virtual ~PictureSink() = default;
    virtual void picture(const std::uint8_t* pixels, int width, int height, int pitch) = 0;
    // Nothing is shown any more (closed, or another source is shown and has no picture yet).
    virtual void clearPicture() = 0;
};

class MediaEngine {
public:
    static constexpr int kSlots = 4;
    using Listener = std::function<void(const EngineEvent&)>;

    virtual ~MediaEngine() = default;
    virtual void setListener(Listener listener) = 0;
    virtual void setPictureSink(PictureSink* sink) = 0;
    // Opens `location` (an allowed address, as the engine takes it) in `slot` (0..kSlots-1),
    // replacing what it held. Never waits for the engine.
    virtual void open(int slot, std::uint32_t generation, const std::string& location) = 0;
    // This slot's pictures and sound are the user's; no other slot's are.
    virtual void show(int slot) = 0;
    virtual void close(int slot) = 0;
    virtual void pause(int slot, bool on) = 0;
    virtual void seek(int slot, double position) = 0;
    virtual void setVolume(int percent) = 0;  // 0..100, every slot
    virtual void setMute(bool on) = 0;
};

}  // namespace qc
