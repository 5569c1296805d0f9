// Whatever the media engine's process sends the viewer (or the viewer the engine): a message that
// decodes must be exactly what encoding it gives back, and a picture format it names that the
// viewer would take must fit the memory it says it has.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "core/player/engine_protocol.h"

using namespace qc::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto m = decode(bytes);
    if (!m) return 0;
    if (encode(*m) != bytes || m->slot < 0 || m->slot >= kSlots || m->text.size() > kMaxText) std::abort();
    // Any memory size, from the message's own bits (a double's value may not fit an integer).
    std::uint64_t bits = 0;
    std::memcpy(&bits, &m->number, sizeof bits);
    const auto memory = static_cast<std::uint64_t>(m->a) ^ bits;
    if (isValidFormat(m->a, m->b, m->c, memory) &&
        (frameBytes(m->c, m->b) * kFrameBuffers > memory || m->c < m->a * 4 || m->a > kMaxFrameWidth))
        std::abort();
    return 0;
}
