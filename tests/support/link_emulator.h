#pragma once
// An emulated far, bad or terrible link on lo (tests/support/netem's qc-netem) for the lifetime
// of an object. Only in a network namespace of the test's own (tests/isolated.sh): the emulator
// installs iptables rules there and refuses to run in the machine's.

#include <sys/types.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qctest {

struct LinkSettings {
    std::string profile;            // "far", "bad", "terrible", or empty: a clean line changed by the fields below
    std::optional<double> delayMs;  // one way
    std::optional<double> jitterMs;
    std::optional<double> lossPercent;
    std::optional<double> rateKbit;
    std::optional<uint64_t> seed;
    std::optional<int> queueLimit;   // packets waiting for the line, per direction
    std::optional<int> maxHeld;      // packets held at once, all told
    std::vector<int> unshapedPorts;  // a test harness's own control traffic, say
    std::vector<int> onlyPorts;      // shape only these (empty: everything)
};

class LinkEmulator {
public:
    // Starts qc-netem and returns once it shapes (throws, with its words, if it doesn't within
    // a bound). It ends, too, when the thread that started it does (PR_SET_PDEATHSIG), so that
    // a test that dies leaves nothing running: start it from a thread that outlives it.
    explicit LinkEmulator(const LinkSettings& settings);
    ~LinkEmulator();  // stop()
    LinkEmulator(const LinkEmulator&) = delete;
    LinkEmulator& operator=(const LinkEmulator&) = delete;

    // SIGTERM, then waits (bounded; SIGKILL past it). True if it ended cleanly (its rules gone).
    bool stop();
    pid_t pid() const { return pid_; }
    // What it said on stderr (its counts, once stopped).
    std::string errors() const;

    static std::string program();                                    // qc-netem's path
    static std::vector<std::string> arguments(const LinkSettings&);  // its flags for these settings

private:
    pid_t pid_ = -1;
    std::string errorsPath_;
    bool cleanExit_ = false;
};

}  // namespace qctest
