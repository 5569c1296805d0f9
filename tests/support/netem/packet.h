#pragma once
// What the emulator needs from a packet's headers: its length, its flow, and which way it goes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qcnetem {

struct Endpoint {
    std::array<uint8_t, 16> address{};  // IPv4 in the first four bytes
    uint16_t port = 0;                  // 0 without TCP or UDP (or a later fragment)
    auto operator<=>(const Endpoint&) const = default;
};

struct PacketInfo {
    size_t length = 0;  // the IP packet's length, headers included
    uint8_t protocol = 0;
    Endpoint source, destination;
    bool opensConnection = false;  // a TCP SYN without ACK: its source is the client
};

// From the first bytes of an IPv4 or IPv6 packet; nothing if they are no IP header.
std::optional<PacketInfo> parsePacket(const uint8_t* data, size_t size);

// Which way a packet goes: 0 from the side that opened the conversation (a TCP SYN's sender, or
// the first sender of a UDP flow), 1 back. A bounded table of recent conversations; for one it
// has not seen open, the higher port is taken for the client's (ephemeral) one.
class Directions {
public:
    Directions() : slots_(kSlots) {}
    int of(const PacketInfo& packet, int64_t nowNs);

private:
    struct Slot {
        Endpoint client, server;
        uint8_t protocol = 0;
        int64_t seenNs = -1;  // -1: empty
    };
    static constexpr size_t kSlots = 8192, kProbes = 16;
    std::vector<Slot> slots_;
};

// A hash of the packet's flow, the same for every packet of it in the same direction.
uint64_t flowHash(const PacketInfo& packet);

}  // namespace qcnetem
