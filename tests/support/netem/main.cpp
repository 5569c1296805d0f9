// qc-netem: an emulated far, bad or terrible link on lo, in the network namespace it runs in.
// Binds an NFQUEUE queue, sends lo's packets to it with iptables, holds each packet as the link
// would, and on SIGTERM, SIGINT or SIGHUP lets everything go and removes its rules. See README.md.

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "emulator.h"
#include "link_model.h"
#include "rules.h"

namespace {

using namespace qcnetem;

const char kUsage[] =
    "usage: qc-netem [--profile far|bad|terrible] [--delay MS] [--jitter MS] [--loss PERCENT]\n"
    "                [--rate KBIT] [--seed N] [--limit PACKETS] [--max-held PACKETS]\n"
    "                [--port P]... [--unshaped-port P]... [--queue N] [--mtu BYTES]\n"
    "                [--ready-file PATH] [--parent PID] [--any-namespace]\n"
    "       qc-netem --cleanup [--queue N]\n"
    "Delay and jitter are one way (a round trip is twice the delay). --limit defaults to one\n"
    "bandwidth-delay product of 1500-byte packets, at least 20. Prints \"ready\" once shaping.\n"
    "Profiles: far 150 ms, 0.5 % loss, 2000 kbit/s; bad 300 +- 50 ms, 3 %, 512 kbit/s;\n"
    "terrible 600 ms, 8 %, 256 kbit/s. Flags after the profile change it.\n";

struct Options {
    LinkSettings link;
    RuleSettings rules;
    size_t maxHeld = 4096;
    int mtu = 1500;  // lo's 64 KiB packets would each hold a slow line for seconds
    std::string readyFile;
    bool cleanup = false, anyNamespace = false;
    pid_t parent = 0;  // end with this parent
};

double number(const char* flag, const char* text, double low, double high) {
    char* end = nullptr;
    const double v = text ? std::strtod(text, &end) : 0;
    if (!text || *end || v < low || v > high)
        throw std::invalid_argument(std::string(flag) + " wants a number from " + std::to_string(low) + " to " +
                                    std::to_string(high));
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--profile")) {
            const std::optional<LinkSettings> p = profile(i + 1 < argc ? argv[i + 1] : "");
            if (!p) throw std::invalid_argument("--profile is far, bad or terrible");
            o.link = *p;
        }
    for (int i = 1; i < argc; ++i) {
        const std::string flag = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        auto take = [&](double low, double high) {
            ++i;
            return number(flag.c_str(), value, low, high);
        };
        if (flag == "--profile") ++i;
        else if (flag == "--delay") o.link.delayMs = take(0, 60000);
        else if (flag == "--jitter") o.link.jitterMs = take(0, 60000);
        else if (flag == "--loss") o.link.lossPercent = take(0, 100);
        else if (flag == "--rate") o.link.rateKbit = take(0, 1e7);
        else if (flag == "--seed") o.link.seed = static_cast<uint64_t>(take(0, 1e15));
        else if (flag == "--limit") o.link.queueLimit = static_cast<size_t>(take(1, 1e6));
        else if (flag == "--max-held") o.maxHeld = static_cast<size_t>(take(16, 1e6));
        else if (flag == "--port") o.rules.ports.push_back(static_cast<int>(take(1, 65535)));
        else if (flag == "--unshaped-port") o.rules.unshapedPorts.push_back(static_cast<int>(take(1, 65535)));
        else if (flag == "--queue") o.rules.queue = static_cast<int>(take(0, 65535));
        else if (flag == "--mtu") o.mtu = static_cast<int>(take(0, 65536));
        else if (flag == "--ready-file" && value) o.readyFile = argv[++i];
        else if (flag == "--cleanup") o.cleanup = true;
        else if (flag == "--any-namespace") o.anyNamespace = true;
        else if (flag == "--parent") o.parent = static_cast<pid_t>(take(1, 1 << 30));
        else throw std::invalid_argument("unknown flag " + flag);
    }
    if (o.mtu != 0 && o.mtu < 1280) throw std::invalid_argument("--mtu is 0 (leave lo alone) or at least 1280");
    return o;
}

// The signals that end us come through a descriptor, so that the loop ends them in order.
int signalDescriptor() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaddset(&set, s);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
}

void run(Emulator& emulator, int signals) {
    for (;;) {
        const std::optional<int64_t> next = emulator.nextReleaseNs();
        timespec wait{};
        timespec* timeout = nullptr;
        if (next) {
            const int64_t ns = std::max<int64_t>(0, *next - monotonicNs());
            wait = {static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
            timeout = &wait;
        }
        pollfd fds[] = {{emulator.fd(), POLLIN, 0}, {signals, POLLIN, 0}};
        if (ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) throw std::runtime_error("ppoll");
        if (fds[1].revents) return;
        // Any event, errors too: one left unread would have us spin at real-time priority.
        if (fds[0].revents) emulator.readPackets();
        emulator.releaseDue(monotonicNs());
    }
}

void announceReady(const std::string& readyFile) {
    std::fputs("ready\n", stdout);
    std::fflush(stdout);
    if (readyFile.empty()) return;
    const std::string partial = readyFile + ".part";
    if (FILE* f = std::fopen(partial.c_str(), "w")) {
        std::fprintf(f, "%d\n", getpid());
        std::fclose(f);
        std::rename(partial.c_str(), readyFile.c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (!std::strcmp(argv[i], "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    Options o;
    try {
        o = parse(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qc-netem: %s\n%s", e.what(), kUsage);
        return 2;
    }
    if (!o.anyNamespace && !onlyLoopback()) {
        std::fprintf(stderr,
                     "qc-netem: this network namespace has more than lo; run me in one of my own "
                     "(tests/isolated.sh, unshare --net) or pass --any-namespace\n");
        return 2;
    }
    if (o.cleanup) return removeRules(o.rules) ? 0 : 1;

    const int signals = signalDescriptor();
    // A test that dies (or forgets us) must not leave us holding its namespace: its end is a
    // SIGTERM, handled as any other. (Gone already, before we asked: end now.)
    if (o.parent != 0 && (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != o.parent)) return 1;
    // Wake on time with both cores busy: ahead of ordinary work (a nice value does little against
    // other sessions' autogroups; we woke up to 90 ms late with one), and no timer slack. It
    // sleeps nearly all the time. Not for iptables, which it starts.
    const sched_param realtime{.sched_priority = 1};
    if (sched_setscheduler(0, SCHED_FIFO | SCHED_RESET_ON_FORK, &realtime) != 0) setpriority(PRIO_PROCESS, 0, -10);
    prctl(PR_SET_TIMERSLACK, 1UL);
    const int oldMtu = loopbackMtu();
    int status = 0;
    try {
        Emulator emulator(o.rules.queue, o.link, o.maxHeld);
        if (o.mtu != 0 && oldMtu != o.mtu) setLoopbackMtu(o.mtu);
        try {
            installRules(o.rules);
            announceReady(o.readyFile);
            run(emulator, signals);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "qc-netem: %s\n", e.what());
            status = 1;
        }
        // Rules first, so that nothing new is queued; then what is queued or held goes at once.
        if (!removeRules(o.rules)) status = 1;
        emulator.passEverything();
        emulator.readPackets();
        std::fprintf(stderr, "qc-netem: %s\n", emulator.stats().c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qc-netem: %s\n", e.what());
        status = 1;
    }
    if (o.mtu != 0 && oldMtu > 0 && loopbackMtu() != oldMtu) {
        try {
            setLoopbackMtu(oldMtu);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "qc-netem: %s\n", e.what());
            status = 1;
        }
    }
    if (!o.readyFile.empty()) std::remove(o.readyFile.c_str());
    return status;
}
