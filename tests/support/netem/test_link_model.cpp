// The link model and the packet reading on their own: what the line does to each packet, in
// nanoseconds, without the kernel.

#include "link_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "packet.h"

namespace {

using namespace qcnetem;

constexpr int64_t kMs = 1000000;

TEST(LinkModel, ProfilesAreTheAdvertisedOnes) {
    const LinkSettings far = *profile("far"), bad = *profile("bad"), terrible = *profile("terrible");
    EXPECT_EQ(far.delayMs, 150);
    EXPECT_EQ(far.lossPercent, 0.5);
    EXPECT_EQ(far.rateKbit, 2000);
    EXPECT_EQ(bad.delayMs, 300);
    EXPECT_EQ(bad.jitterMs, 50);
    EXPECT_EQ(bad.lossPercent, 3);
    EXPECT_EQ(bad.rateKbit, 512);
    EXPECT_EQ(terrible.delayMs, 600);
    EXPECT_EQ(terrible.lossPercent, 8);
    EXPECT_EQ(terrible.rateKbit, 256);
    EXPECT_FALSE(profile("near"));
}

// 1000 bytes at 800 kbit/s take 10 ms on the line; a burst goes out back to back, then the delay.
TEST(LinkModel, PacketsWaitForTheLineThenTheDelay) {
    Direction line({.delayMs = 100, .rateKbit = 800}, 0);
    for (int i = 0; i < 5; ++i) {
        const Verdict v = line.admit(0, 1000, 1);
        ASSERT_EQ(v.fate, Fate::Pass);
        EXPECT_EQ(v.releaseNs, (i + 1) * 10 * kMs + 100 * kMs);
    }
    // After the line has gone idle, a packet starts at once.
    EXPECT_EQ(line.admit(1000 * kMs, 1000, 1).releaseNs, 1110 * kMs);
}

TEST(LinkModel, AFullQueueDropsNewcomersUntilThePacketsAheadLeave) {
    Direction line({.rateKbit = 800, .queueLimit = 3}, 0);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(line.admit(0, 1000, 1).fate, Fate::Pass);
    EXPECT_EQ(line.admit(0, 1000, 1).fate, Fate::QueueFull);
    EXPECT_EQ(line.admit(10 * kMs, 1000, 1).fate, Fate::Pass);  // the first has left
    EXPECT_EQ(line.stats().queueFull, 1u);
}

// One bandwidth-delay product of 1500-byte packets, at least 20.
TEST(LinkModel, TheQueueHoldsABandwidthDelayProduct) {
    EXPECT_EQ(queueFor(2000, 150), 50u);
    EXPECT_EQ(queueFor(512, 300), 26u);
    EXPECT_EQ(queueFor(256, 600), 26u);
    EXPECT_EQ(queueFor(100, 10), 20u);
    Direction line({.delayMs = 150, .rateKbit = 2000}, 0);
    size_t kept = 0;
    while (line.admit(0, 1500, 1).fate == Fate::Pass) ++kept;
    EXPECT_EQ(kept, 50u);
}

TEST(LinkModel, JitterStaysInItsRangeAndNeverReordersAFlow) {
    Direction line({.delayMs = 300, .jitterMs = 50}, 0);
    // A flow 1 ms apart, far closer than the jitter's range: it still arrives in order.
    int64_t last = 0;
    for (int i = 0; i < 2000; ++i) {
        const int64_t at = line.admit(i * kMs, 100, 7).releaseNs;
        EXPECT_GE(at, last);
        last = at;
    }
    // One 200 ms apart, where order never holds a packet back: the jitter shows bare.
    int64_t lowest = INT64_MAX, highest = 0;
    for (int i = 0; i < 2000; ++i) {
        const int64_t sent = (10000 + i * 200) * kMs;
        const int64_t delay = line.admit(sent, 100, 8).releaseNs - sent;
        lowest = std::min(lowest, delay);
        highest = std::max(highest, delay);
    }
    EXPECT_GE(lowest, 250 * kMs);
    EXPECT_LE(highest, 350 * kMs);
    EXPECT_LT(lowest, 255 * kMs);
    EXPECT_GT(highest, 345 * kMs);
    // Two flows sent together: either may arrive first.
    int firstAhead = 0, secondAhead = 0;
    for (int i = 0; i < 100; ++i) {
        const int64_t sent = (1000000 + i * 1000) * kMs;
        const int64_t a = line.admit(sent, 100, 1).releaseNs, b = line.admit(sent, 100, 2).releaseNs;
        firstAhead += a < b;
        secondAhead += b < a;
    }
    EXPECT_GT(firstAhead, 10);
    EXPECT_GT(secondAhead, 10);
}

TEST(LinkModel, LossFollowsTheSeed) {
    auto lost = [](uint64_t seed, int index) {
        Direction line({.lossPercent = 5, .seed = seed}, index);
        std::vector<int> which;
        for (int i = 0; i < 10000; ++i)
            if (line.admit(i, 100, 1).fate == Fate::Lost) which.push_back(i);
        return which;
    };
    const std::vector<int> a = lost(1, 0);
    EXPECT_NEAR(static_cast<double>(a.size()), 500, 70);
    EXPECT_EQ(a, lost(1, 0));
    EXPECT_NE(a, lost(2, 0));
    EXPECT_NE(a, lost(1, 1)) << "the two directions lose different packets";
}

std::vector<uint8_t> ipv4Tcp(uint16_t sport, uint16_t dport, uint8_t flags, uint16_t length = 60) {
    std::vector<uint8_t> p(40, 0);
    p[0] = 0x45;
    p[2] = static_cast<uint8_t>(length >> 8);
    p[3] = static_cast<uint8_t>(length);
    p[9] = 6;
    p[12] = p[16] = 127;
    p[15] = p[19] = 1;
    p[20] = static_cast<uint8_t>(sport >> 8);
    p[21] = static_cast<uint8_t>(sport);
    p[22] = static_cast<uint8_t>(dport >> 8);
    p[23] = static_cast<uint8_t>(dport);
    p[33] = flags;
    return p;
}

TEST(Packet, ReadsLengthPortsAndTheOpeningSyn) {
    const std::vector<uint8_t> syn = ipv4Tcp(40000, 80, 0x02, 1500);
    const PacketInfo info = *parsePacket(syn.data(), syn.size());
    EXPECT_EQ(info.length, 1500u);
    EXPECT_EQ(info.protocol, 6);
    EXPECT_EQ(info.source.port, 40000);
    EXPECT_EQ(info.destination.port, 80);
    EXPECT_TRUE(info.opensConnection);
    const std::vector<uint8_t> synAck = ipv4Tcp(80, 40000, 0x12);
    EXPECT_FALSE(parsePacket(synAck.data(), synAck.size())->opensConnection);
    const uint8_t junk[] = {0x10, 0, 0};
    EXPECT_FALSE(parsePacket(junk, sizeof junk));
}

// The side that sent the SYN is the client whatever the ports; without a SYN seen, the higher
// (ephemeral) port is.
TEST(Packet, DirectionIsFromTheSideThatOpened) {
    Directions directions;
    auto of = [&](const std::vector<uint8_t>& p) { return directions.of(*parsePacket(p.data(), p.size()), 0); };
    EXPECT_EQ(of(ipv4Tcp(30000, 50000, 0x02)), 0);
    EXPECT_EQ(of(ipv4Tcp(50000, 30000, 0x12)), 1);
    EXPECT_EQ(of(ipv4Tcp(30000, 50000, 0x10)), 0);
    EXPECT_EQ(of(ipv4Tcp(8080, 45000, 0x10)), 1);
    EXPECT_EQ(of(ipv4Tcp(45000, 8080, 0x10)), 0);
}

}  // namespace
