// qc-netem's own behaviour through the kernel: a fixed seed loses the same packets, the queue
// drops at its tail and sends at the rate, held packets have a bound, chosen ports are left
// alone or shaped alone, and it ends without leaving its rules or its MTU behind, even killed.

#include "link_emulator.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "link_probes.h"

namespace {

using namespace qcnetemtest;
using qctest::LinkEmulator;
using qctest::LinkSettings;

std::string rules() {
    std::string out;
    if (FILE* f = popen("iptables-legacy -t raw -S 2>&1; ip6tables-legacy -t raw -S 2>&1", "r")) {
        char buf[256];
        while (fgets(buf, sizeof buf, f)) out += buf;
        pclose(f);
    }
    return out;
}

// Whether the process runs (a zombie waiting for whoever reaps orphans here does not).
bool running(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t end = stat.rfind(')');
    return end != std::string::npos && end + 2 < stat.size() && stat[end + 2] != 'Z';
}

std::vector<int> lostOnes(const std::vector<double>& arrivals) {
    std::vector<int> lost;
    for (size_t i = 0; i < arrivals.size(); ++i)
        if (arrivals[i] < 0) lost.push_back(static_cast<int>(i));
    return lost;
}

std::vector<int> lostWithSeed(uint64_t seed) {
    LinkEmulator link({.lossPercent = 10, .seed = seed});
    return lostOnes(udpArrivals(2000, 4, 10000, 300));
}

class LinkEmulatorTest : public testing::Test {
protected:
    void SetUp() override { wakePromptly(); }
};

TEST_F(LinkEmulatorTest, AFixedSeedLosesTheSamePackets) {
    const std::vector<int> first = lostWithSeed(42), again = lostWithSeed(42), other = lostWithSeed(43);
    EXPECT_GT(first.size(), 120u);  // 10 % of 2000, give or take
    EXPECT_LT(first.size(), 280u);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
}

// 100 datagrams of 1028 bytes at once into a line of 80 kbit/s (103 ms each) whose queue holds
// 10: the rest are dropped, and those kept arrive one line time apart.
TEST_F(LinkEmulatorTest, AFullQueueDropsAtItsTailAndTheLineSendsAtItsRate) {
    LinkEmulator link({.rateKbit = 80, .queueLimit = 10});
    const std::vector<double> arrivals = udpArrivals(100, 1000, 0, 1600);
    std::vector<double> kept;
    for (double t : arrivals)
        if (t >= 0) kept.push_back(t);
    ASSERT_GE(kept.size(), 10u);
    ASSERT_LE(kept.size(), 12u);
    EXPECT_EQ(lostOnes(arrivals).front(), static_cast<int>(kept.size())) << "not the tail dropped";
    const double lineMs = 1028 * 8 / 80.0;
    EXPECT_NEAR(kept.back() - kept.front(), lineMs * static_cast<double>(kept.size() - 1), 0.05 * lineMs * 10);
}

// No more than --max-held packets wait in the emulator at once: the rest are dropped.
// 400 datagrams at once onto a line of 1 s delay that may hold 100: the first 100 arrive.
TEST_F(LinkEmulatorTest, HeldPacketsHaveABound) {
    LinkEmulator link({.delayMs = 1000, .maxHeld = 100});
    const std::vector<double> arrivals = udpArrivals(400, 4, 0, 1500);
    const std::vector<int> lost = lostOnes(arrivals);
    ASSERT_EQ(lost.size(), 300u);
    EXPECT_EQ(lost.front(), 100);
    EXPECT_GE(*std::min_element(arrivals.begin(), arrivals.begin() + 100), 1000);
}

TEST_F(LinkEmulatorTest, UnshapedPortsAreLeftAloneAndChosenOnesShapedAlone) {
    Listener control, other;
    {
        LinkEmulator link({.profile = "far", .unshapedPorts = {control.port()}});
        EXPECT_LT(connectMsTo(control.port(), 5000), 50);
        EXPECT_GT(connectMsTo(other.port(), 5000), 290);
    }
    {
        LinkEmulator link({.profile = "far", .onlyPorts = {other.port()}});
        EXPECT_LT(connectMsTo(control.port(), 5000), 50);
        EXPECT_GT(connectMsTo(other.port(), 5000), 290);
    }
}

TEST_F(LinkEmulatorTest, ShapesIpv6Too) {
    Listener listener(true);
    LinkEmulator link({.profile = "far"});
    EXPECT_GT(connectMsTo(listener.port(), 5000, true), 290);
}

TEST_F(LinkEmulatorTest, StopsCleanly) {
    Listener listener;
    const int mtu = loopbackMtu();
    LinkEmulator link({.profile = "far"});
    EXPECT_NE(rules().find("NFQUEUE"), std::string::npos);
    EXPECT_EQ(loopbackMtu(), 1500);
    EXPECT_GT(connectMsTo(listener.port(), 5000), 290);
    EXPECT_TRUE(link.stop()) << link.errors();
    EXPECT_EQ(rules().find("QC_NETEM"), std::string::npos) << rules();
    EXPECT_EQ(loopbackMtu(), mtu);
    EXPECT_LT(connectMsTo(listener.port(), 5000), 50);
}

// One emulator to a namespace: a second can't bind the queue, says so, and leaves the first be.
TEST_F(LinkEmulatorTest, ASecondIsRefusedAndLeavesTheFirstAlone) {
    Listener listener;
    LinkEmulator first({.profile = "far"});
    try {
        LinkEmulator second({.profile = "terrible"});
        ADD_FAILURE() << "a second emulator started";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("binding queue"), std::string::npos) << e.what();
    }
    EXPECT_NE(rules().find("QC_NETEM"), std::string::npos);
    const double ms = connectMsTo(listener.port(), 5000);
    EXPECT_GT(ms, 290);
    EXPECT_LT(ms, 400);
}

// Killed outright, it leaves its rules, but the queue lets packets past with nobody bound to it
// (--queue-bypass); --cleanup removes the rules afterwards.
TEST_F(LinkEmulatorTest, KilledItWedgesNothingAndCleanupRemovesItsRules) {
    Listener listener;
    LinkEmulator link({.profile = "far"});
    ASSERT_EQ(kill(link.pid(), SIGKILL), 0);
    EXPECT_FALSE(link.stop());
    EXPECT_NE(rules().find("QC_NETEM"), std::string::npos);
    EXPECT_LT(connectMsTo(listener.port(), 5000), 50);
    EXPECT_EQ(std::system((LinkEmulator::program() + " --cleanup").c_str()), 0);
    EXPECT_EQ(rules().find("QC_NETEM"), std::string::npos) << rules();
}

// A test that dies without stopping it: the emulator goes with it, and takes its rules along.
TEST_F(LinkEmulatorTest, EndsWithTheTestThatStartedIt) {
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    const pid_t test = fork();
    ASSERT_GE(test, 0);
    if (test == 0) {
        LinkEmulator link({.profile = "far"});
        const pid_t emulator = link.pid();
        char go = 0;
        // Dies once the parent has seen the emulator at work, without stopping it.
        if (write(toParent[1], &emulator, sizeof emulator) == sizeof emulator) (void)!read(toChild[0], &go, 1);
        _exit(0);
    }
    close(toParent[1]);
    close(toChild[0]);
    pid_t emulator = -1;
    ASSERT_EQ(read(toParent[0], &emulator, sizeof emulator), static_cast<ssize_t>(sizeof emulator));
    EXPECT_NE(rules().find("QC_NETEM"), std::string::npos);
    ASSERT_EQ(write(toChild[1], "x", 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(test, &status, 0), test);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((running(emulator) || rules().find("QC_NETEM") != std::string::npos) &&
           std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(running(emulator));
    EXPECT_EQ(rules().find("QC_NETEM"), std::string::npos) << rules();
    close(toParent[0]);
    close(toChild[1]);
}

}  // namespace
