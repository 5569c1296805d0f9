#include "packet.h"

#include <algorithm>
#include <cstring>

namespace qcnetem {

namespace {

constexpr uint8_t kTcp = 6, kUdp = 17;

uint16_t be16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }

void readPorts(PacketInfo& info, const uint8_t* l4, size_t available) {
    if ((info.protocol != kTcp && info.protocol != kUdp) || available < 4) return;
    info.source.port = be16(l4);
    info.destination.port = be16(l4 + 2);
    if (info.protocol == kTcp && available >= 14) {
        const uint8_t flags = l4[13];
        info.opensConnection = (flags & 0x02) && !(flags & 0x10);
    }
}

uint64_t mix(uint64_t h, uint64_t v) {
    h ^= v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
}

uint64_t hashEndpoint(uint64_t h, const Endpoint& e) {
    uint64_t a = 0, b = 0;
    std::memcpy(&a, e.address.data(), 8);
    std::memcpy(&b, e.address.data() + 8, 8);
    return mix(mix(mix(h, a), b), e.port);
}

}  // namespace

std::optional<PacketInfo> parsePacket(const uint8_t* data, size_t size) {
    if (size < 1) return std::nullopt;
    PacketInfo info;
    const int version = data[0] >> 4;
    if (version == 4 && size >= 20) {
        const size_t headerLength = static_cast<size_t>(data[0] & 0x0f) * 4;
        info.length = be16(data + 2);
        info.protocol = data[9];
        std::memcpy(info.source.address.data(), data + 12, 4);
        std::memcpy(info.destination.address.data(), data + 16, 4);
        const bool laterFragment = (be16(data + 6) & 0x1fff) != 0;
        if (!laterFragment && headerLength >= 20 && size > headerLength)
            readPorts(info, data + headerLength, size - headerLength);
        return info;
    }
    if (version == 6 && size >= 40) {
        info.length = 40 + static_cast<size_t>(be16(data + 4));
        info.protocol = data[6];  // extension headers are left unparsed: no ports then
        std::memcpy(info.source.address.data(), data + 8, 16);
        std::memcpy(info.destination.address.data(), data + 24, 16);
        readPorts(info, data + 40, size - 40);
        return info;
    }
    return std::nullopt;
}

int Directions::of(const PacketInfo& packet, int64_t nowNs) {
    const Endpoint& low = std::min(packet.source, packet.destination);
    const Endpoint& high = std::max(packet.source, packet.destination);
    const uint64_t h = mix(hashEndpoint(hashEndpoint(packet.protocol, low), high), 0);
    Slot* oldest = nullptr;
    for (size_t i = 0; i < kProbes; ++i) {
        Slot& slot = slots_[(h + i) % kSlots];
        const bool same = slot.seenNs >= 0 && slot.protocol == packet.protocol &&
                          std::min(slot.client, slot.server) == low && std::max(slot.client, slot.server) == high;
        // A new SYN on a known pair is a new connection: its sender is the client now.
        if (same && !packet.opensConnection) {
            slot.seenNs = nowNs;
            return packet.source == slot.client ? 0 : 1;
        }
        if (same || slot.seenNs < 0) {
            oldest = &slot;
            break;
        }
        if (!oldest || slot.seenNs < oldest->seenNs) oldest = &slot;
    }
    const bool sourceIsClient = packet.opensConnection || packet.protocol != kTcp ||
                                packet.source.port > packet.destination.port ||
                                (packet.source.port == packet.destination.port && packet.source < packet.destination);
    *oldest = Slot{sourceIsClient ? packet.source : packet.destination,
                   sourceIsClient ? packet.destination : packet.source, packet.protocol, nowNs};
    return sourceIsClient ? 0 : 1;
}

uint64_t flowHash(const PacketInfo& packet) {
    return hashEndpoint(hashEndpoint(packet.protocol, packet.source), packet.destination);
}

}  // namespace qcnetem
