#include "core/player/engine_protocol.h"

#include <cmath>
#include <cstring>

namespace qc::engine {

namespace {

// Head: kind, slot, flags, spare, text length (u32), generation (u32), spare (u32), a, b, c (i64),
// number (f64); in the machine's byte order (both ends are on it).
void put(std::string& out, const void* p, std::size_t n) { out.append(static_cast<const char*>(p), n); }
template <class T> T get(std::string_view bytes, std::size_t at) {
    T v;
    std::memcpy(&v, bytes.data() + at, sizeof v);
    return v;
}

bool knownKind(std::uint8_t k) {
    return (k >= static_cast<std::uint8_t>(Kind::Open) && k <= static_cast<std::uint8_t>(Kind::Quit)) ||
           (k >= static_cast<std::uint8_t>(Kind::Ready) && k <= static_cast<std::uint8_t>(Kind::Frame));
}

}  // namespace

std::string encode(const Message& m) {
    std::string out;
    out.reserve(kHeadBytes + m.text.size());
    const std::uint8_t head[4] = {static_cast<std::uint8_t>(m.kind), static_cast<std::uint8_t>(m.slot), m.flags, 0};
    put(out, head, sizeof head);
    const auto length = static_cast<std::uint32_t>(m.text.size());
    put(out, &length, sizeof length);
    put(out, &m.generation, sizeof m.generation);
    const std::uint32_t spare = 0;
    put(out, &spare, sizeof spare);
    put(out, &m.a, sizeof m.a);
    put(out, &m.b, sizeof m.b);
    put(out, &m.c, sizeof m.c);
    put(out, &m.number, sizeof m.number);
    out += m.text;
    return out;
}

std::optional<Message> decode(std::string_view bytes) {
    if (bytes.size() < kHeadBytes || bytes.size() > kMaxMessage) return std::nullopt;
    const auto kind = static_cast<std::uint8_t>(bytes[0]);
    const auto slot = static_cast<std::uint8_t>(bytes[1]);
    if (!knownKind(kind) || slot >= kSlots || bytes[3] != 0) return std::nullopt;
    const auto length = get<std::uint32_t>(bytes, 4);
    if (length > kMaxText || bytes.size() != kHeadBytes + length || get<std::uint32_t>(bytes, 12) != 0)
        return std::nullopt;
    Message m;
    m.kind = static_cast<Kind>(kind);
    m.slot = slot;
    m.flags = static_cast<std::uint8_t>(bytes[2]);
    m.generation = get<std::uint32_t>(bytes, 8);
    m.a = get<std::int64_t>(bytes, 16);
    m.b = get<std::int64_t>(bytes, 24);
    m.c = get<std::int64_t>(bytes, 32);
    m.number = get<double>(bytes, 40);
    if (!std::isfinite(m.number)) return std::nullopt;
    m.text.assign(bytes.substr(kHeadBytes));
    return m;
}

bool isKnownCause(std::int64_t a) { return a >= 0 && a <= static_cast<std::int64_t>(Cause::TooLarge); }

std::uint64_t frameBytes(std::int64_t pitch, std::int64_t height) {
    return static_cast<std::uint64_t>(pitch) * static_cast<std::uint64_t>(height);
}

bool isValidFormat(std::int64_t width, std::int64_t height, std::int64_t pitch, std::uint64_t memoryBytes) {
    if (width < 1 || height < 1 || width > kMaxFrameWidth || height > kMaxFrameHeight) return false;
    if (pitch < width * 4 || pitch > kMaxFrameWidth * 4 + 64 || pitch % 4 != 0) return false;
    return memoryBytes >= frameBytes(pitch, height) * kFrameBuffers;
}

}  // namespace qc::engine
