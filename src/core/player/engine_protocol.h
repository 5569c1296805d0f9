#pragma once
// What the viewer and its media engine process say to each other over one socket (a datagram a
// message): a small fixed head and at most one text. Both sides read what the other sent as
// untrusted: decode() takes any bytes and gives a message only when every field is in range.
// Pictures travel beside the socket, in shared memory the engine hands over with a Format event.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qc::engine {

inline constexpr int kProtocolVersion = 2;
// Sources the engine may hold open at once (a choice may race a few).
inline constexpr int kSlots = 4;
inline constexpr std::size_t kMaxText = 4096;
inline constexpr std::size_t kHeadBytes = 48;
inline constexpr std::size_t kMaxMessage = kHeadBytes + kMaxText;
// Pictures: never larger than this, in 32-bit pixels (B, G, R, unused in memory order), in
// kFrameBuffers buffers per source, each `pitch` bytes a row.
inline constexpr int kMaxFrameWidth = 1920;
inline constexpr int kMaxFrameHeight = 1200;
inline constexpr int kFrameBuffers = 3;

enum class Kind : std::uint8_t {
    // Viewer to engine.
    Open = 1,   // text: the location (an allowed address, as the engine takes it); generation: a new
                // number, which every later event of this source carries
    Show,       // this source's pictures and sound are the user's; every other source's are not
    Close,      // forget this source
    Pause,      // a: 1 pause, 0 go on
    Seek,       // number: 0..1
    Volume,     // a: 0..100, for every source
    Mute,       // a: 1 or 0, for every source
    FrameDone,  // a: the buffer, now free again; b: the Format it was of (its number, counted from 1)
    Quit,
    // Engine to viewer.
    Ready = 32,  // a: kProtocolVersion; b: 1 when libvlc started, 0 when it couldn't (every Open fails)
    Opening,     // the source is being opened
    Life,        // a sign that its server is there (it answered, data came)
    Buffering,   // a: percent
    Media,       // its streams were found: media is arriving (once per Open)
    Playing,
    Paused,
    Ended,
    Failed,    // a: Cause, b: an HTTP status where there is one
    Progress,  // a: time ms, b: length ms (0 live or unknown), c: pictures shown so far,
               // number: position 0..1; flags: kSeekable, kHasVideo
    Format,    // a: width, b: height, c: pitch; the memory comes beside it (one descriptor: sealed
               // against shrinking and growing, kFrameBuffers buffers). Both ends count them: the
               // first is number 1.
    Frame,     // a: the buffer holding a new picture of the source shown (-1: nothing is shown),
               // b: the number of the Format it is in; the viewer answers FrameDone
};

enum class Cause : std::uint8_t {
    Other = 0,
    Refused,       // nothing listens there
    Unreachable,   // no route to the host: the network, not the address
    HostNotFound,  // the name didn't resolve
    TimedOut,      // connected, or tried to, and nothing came
    HttpStatus,    // an HTTP error status, in b
    Unsupported,   // nothing in the engine could open or decode it
    TooLarge,      // it took more memory than the engine may
};
// Whether a Failed event's `a` names a Cause.
bool isKnownCause(std::int64_t a);

inline constexpr std::uint8_t kSeekable = 1;
inline constexpr std::uint8_t kHasVideo = 2;

struct Message {
    Kind kind = Kind::Quit;
    int slot = 0;  // 0..kSlots-1; 0 where no source is meant
    std::uint8_t flags = 0;
    // Of the source a slot holds: an event of one closed or replaced since is told apart by it.
    std::uint32_t generation = 0;
    std::int64_t a = 0, b = 0, c = 0;
    double number = 0;
    std::string text{};
};

std::string encode(const Message& m);
// Nothing when the bytes are no well-formed message: an unknown kind, a slot out of range, a
// text longer than it says or than kMaxText, a number that is not finite.
std::optional<Message> decode(std::string_view bytes);

// Whether a Format's fields describe pictures the viewer can take: within the maximum size, a
// pitch that holds a row, and memory of at least `memoryBytes` for all buffers.
bool isValidFormat(std::int64_t width, std::int64_t height, std::int64_t pitch, std::uint64_t memoryBytes);
// The bytes one buffer of such a format takes.
std::uint64_t frameBytes(std::int64_t pitch, std::int64_t height);

}  // namespace qc::engine
