// qc-netem through the kernel's own path on 127.0.0.1, profile by profile: round trips, jitter,
// loss and rate are the link's. Each check fails against a link that does nothing (round trips
// of a few microseconds, no loss, gigabits). Runs in a namespace of its own (tests/isolated.sh).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "link_emulator.h"
#include "link_probes.h"

namespace {

using namespace qcnetemtest;
using qctest::LinkEmulator;
using qctest::LinkSettings;

struct Profile {
    const char* name;
    double delayMs, jitterMs, lossPercent, rateKbit;
    friend void PrintTo(const Profile& p, std::ostream* out) { *out << p.name; }
};

// The profiles as qc-netem's help states them (one-way delay), written out again here so that a
// change to the emulator's table shows up as a failure.
const Profile kProfiles[] = {
    {"far", 150, 0, 0.5, 2000},
    {"bad", 300, 50, 3, 512},
    {"terrible", 600, 0, 8, 256},
};

class Profiles : public testing::TestWithParam<Profile> {
protected:
    void SetUp() override { wakePromptly(); }
    const Profile& p() const { return GetParam(); }
    double roundTripMs() const { return 2 * p().delayMs; }
    // A round trip of small packets (up to `bytes` each way): the delays' range, the line's time
    // for the packets, and room for a late wake on a machine with both cores busy (the emulator
    // has woken up to 30 ms late there, the machine being a VM).
    double lowMs() const { return 2 * (p().delayMs - p().jitterMs) - 1; }
    double highMs(double bytes = 100) const {
        const double top = 2 * (p().delayMs + p().jitterMs);
        return top + 2 * bytes * 8 / p().rateKbit + 40 + 0.05 * top;
    }
    int boundMs() const { return static_cast<int>(4 * roundTripMs() + 4000); }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Round trips sampled until three are within the band, up to ten. A sample may come late (on
// `terrible` some 15 % lose a packet and wait for a timer; a busy machine may wake us late) but
// never early. Ten tries fall short of three on `terrible` about once in 10^5 runs.
class RoundTrips {
public:
    RoundTrips(double low, double high) : low_(low), high_(high) {}
    void add(double ms) {
        EXPECT_GE(ms, low_);
        if (ms <= high_ && inBand_.size() < 3) inBand_.push_back(ms);
    }
    bool enough() const { return inBand_.size() == 3; }
    double median() const { return ::median(inBand_); }

private:
    double low_, high_;
    std::vector<double> inBand_;
};

// connect() takes one round trip (or, where the SYN or SYN-ACK was lost, a second more), and so
// does a byte there and back on the connection (TCP_NODELAY).
TEST_P(Profiles, TcpConnectAndPingPongTakeARoundTrip) {
    LinkEmulator link({.profile = p().name});
    Listener listener;
    RoundTrips connects(lowMs(), highMs()), pingPongs(lowMs(), highMs());
    for (int i = 0; i < 10 && !(connects.enough() && pingPongs.enough()); ++i) {
        std::optional<Connection> c = connectTo(listener, boundMs());
        ASSERT_TRUE(c) << "no connection within " << boundMs() << " ms";
        connects.add(c->connectMs);
        const std::optional<double> ms = pingPong(*c, boundMs());
        ASSERT_TRUE(ms) << "no answer within " << boundMs() << " ms";
        pingPongs.add(*ms);
    }
    EXPECT_TRUE(connects.enough()) << "too few connects took a round trip";
    EXPECT_TRUE(pingPongs.enough()) << "too few ping-pongs took a round trip";
    std::printf("%s: connect median %.1f ms, ping-pong median %.1f ms (round trip %.0f)\n", p().name, connects.median(),
                pingPongs.median(), roundTripMs());
}

// UDP round trips 100 ms apart (further apart than the jitter's range, so that keeping a flow in
// order never holds one back): none quicker than the delay's range, nine in ten within it (a
// busy machine may wake us late), the median at the round trip; spread by the jitter where the
// profile has some (the sum of two uniform delays of +-50 ms has an interquartile range of
// 59 ms), and not otherwise.
TEST_P(Profiles, UdpRoundTripsStayWithinTheJitter) {
    LinkEmulator link({.profile = p().name});
    std::vector<double> rtt = udpRoundTrips(16, 100, static_cast<int>(highMs() + 100));
    ASSERT_TRUE(link.stop());
    SCOPED_TRACE(link.errors());
    ASSERT_GE(rtt.size(), 8u) << "most answers lost";
    std::sort(rtt.begin(), rtt.end());
    auto quantile = [&](double q) { return rtt[static_cast<size_t>(q * static_cast<double>(rtt.size() - 1))]; };
    EXPECT_GE(rtt.front(), lowMs());
    EXPECT_LE(quantile(0.9), highMs());
    EXPECT_NEAR(quantile(0.5), roundTripMs(), 0.1 * roundTripMs());
    const double spread = quantile(0.75) - quantile(0.25);
    if (p().jitterMs > 0) EXPECT_GE(spread, 0.3 * 2 * p().jitterMs) << "no jitter";
    else EXPECT_LE(spread, 10) << "jitter on a line without";
    std::printf(
        "%s: %zu/16 UDP round trips, %.1f..%.1f ms, median %.1f, quartiles %.1f apart (round trip %.0f "
        "+- %.0f)\n",
        p().name, rtt.size(), rtt.front(), rtt.back(), quantile(0.5), spread, roundTripMs(), 2 * p().jitterMs);
}

// Datagrams one way, at 70 % of the line's rate (no queue drops): the share lost is the profile's,
// within 40 % of it. There are enough of them for about 40 losses, so a fair coin at the
// profile's rate lands in that band nine times in ten or more; with the fixed seed the outcome is
// the same every run.
TEST_P(Profiles, UdpLossIsTheLinksLoss) {
    LinkEmulator link({.profile = p().name});
    const double fraction = p().lossPercent / 100;
    const int count = std::max(1000, static_cast<int>(40 / fraction));
    const double capacity = p().rateKbit * 1000 / 8 / 32;  // datagrams a second: 4 bytes + 28 of headers
    const double perSecond = std::min(4000.0, 0.7 * capacity);
    const std::vector<double> arrivals = udpArrivals(count, 4, perSecond, static_cast<int>(highMs() + 200));
    const auto lost = std::count(arrivals.begin(), arrivals.end(), -1.0);
    const double measured = static_cast<double>(lost) / count;
    EXPECT_GE(measured, 0.6 * fraction);
    EXPECT_LE(measured, 1.4 * fraction);
    std::printf("%s: %ld of %d datagrams lost: %.2f %% (profile %.1f %%)\n", p().name, static_cast<long>(lost), count,
                100 * measured, p().lossPercent);
}

// A bulk TCP transfer fills the line: the data through it is the rate less the headers (1448
// bytes of data in a 1500-byte packet). Without the profile's loss, and with the receiver's
// window clamped to 1.5 bandwidth-delay products over a queue of one: more than the line holds
// in flight, so it is never idle, and less than that and the queue, so TCP never overflows the
// queue and backs off. TCP's own ways with loss (with 0.5 % it gets some 1.22 * MSS / (RTT *
// sqrt(p)), 0.67 Mbit/s on `far`) are not the emulator's to test. Measured for 2.5 s from when
// the sender has that window in flight; ACKs come for every other packet, some 53 of them in
// that time on `terrible`, so where the window starts or ends among them moves the figure by
// up to 4 %: the band is -10 %, +5 %.
TEST_P(Profiles, BulkTransferRunsAtTheRate) {
    const double rttMs = 2 * (p().delayMs + p().jitterMs);  // a flow kept in order sees the top
    const double bdpPackets = p().rateKbit * rttMs / 8 / 1500;
    const int queue = static_cast<int>(std::ceil(bdpPackets));
    LinkEmulator link({.profile = p().name, .lossPercent = 0, .queueLimit = queue});
    const std::optional<double> bytesPerSecond =
        bulkBytesPerSecond(static_cast<int>(1.5 * bdpPackets * 1448), static_cast<int>(8 * rttMs + 2000), 2500);
    ASSERT_TRUE(link.stop());
    SCOPED_TRACE(link.errors());
    ASSERT_TRUE(bytesPerSecond) << "the window never filled";
    const double goodput = *bytesPerSecond * 8 / 1000;  // kbit/s
    const double expected = p().rateKbit * 1448 / 1500;
    EXPECT_GE(goodput, 0.90 * expected);
    EXPECT_LE(goodput, 1.05 * expected);
    std::printf("%s: bulk TCP %.1f kbit/s of data (line %.0f kbit/s, %.1f of it data)\n", p().name, goodput,
                p().rateKbit, expected);
}

INSTANTIATE_TEST_SUITE_P(Netem, Profiles, testing::ValuesIn(kProfiles),
                         [](const testing::TestParamInfo<Profile>& info) { return std::string(info.param.name); });

}  // namespace
