#include "rules.h"

#include <fcntl.h>
#include <net/if.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace qcnetem {

namespace {

// The first of `names` found on PATH or in the sbin folders (which a user's PATH may lack).
std::string findProgram(const std::vector<std::string>& names) {
    std::string path = getenv("PATH") ? getenv("PATH") : "";
    path += ":/usr/sbin:/sbin";
    for (const std::string& name : names) {
        size_t start = 0;
        while (start <= path.size()) {
            size_t end = path.find(':', start);
            if (end == std::string::npos) end = path.size();
            const std::string candidate = path.substr(start, end - start) + "/" + name;
            if (end > start && access(candidate.c_str(), X_OK) == 0) return candidate;
            start = end + 1;
        }
    }
    return {};
}

struct Result {
    int status = -1;
    std::string output;
};

// Runs the program with these arguments (no shell), its output and errors captured.
Result run(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // We block the signals that end us (they come through a descriptor); iptables should not.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(pipeFds[1]);
    Result result;
    char buf[512];
    for (ssize_t n; spawned == 0 && (n = read(pipeFds[0], buf, sizeof buf)) > 0;)
        result.output.append(buf, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
    return result;
}

std::string chainName(const RuleSettings& s) { return "QC_NETEM_" + std::to_string(s.queue); }

std::vector<std::string> table(std::vector<std::string> args) {
    args.insert(args.begin(), {"-w", "5", "-t", "raw"});
    return args;
}

std::vector<std::vector<std::string>> chainRules(const RuleSettings& s) {
    const std::string chain = chainName(s);
    const std::vector<std::string> toQueue{"-j", "NFQUEUE", "--queue-num", std::to_string(s.queue), "--queue-bypass"};
    std::vector<std::vector<std::string>> rules;
    auto byPort = [&](int port, const std::vector<std::string>& target) {
        for (const char* protocol : {"tcp", "udp"})
            for (const char* end : {"--sport", "--dport"}) {
                std::vector<std::string> rule{"-A", chain, "-p", protocol, end, std::to_string(port)};
                rule.insert(rule.end(), target.begin(), target.end());
                rules.push_back(rule);
            }
    };
    for (int port : s.unshapedPorts) byPort(port, {"-j", "RETURN"});
    for (int port : s.ports) byPort(port, toQueue);
    if (s.ports.empty()) {
        std::vector<std::string> rule{"-A", chain};
        rule.insert(rule.end(), toQueue.begin(), toQueue.end());
        rules.push_back(rule);
    }
    return rules;
}

std::vector<std::string> programs(const RuleSettings& s) {
    std::vector<std::string> found;
    const std::string v4 = !s.iptables.empty() ? s.iptables : findProgram({"iptables-legacy", "iptables"});
    const std::string v6 = !s.ip6tables.empty() ? s.ip6tables : findProgram({"ip6tables-legacy", "ip6tables"});
    if (v4.empty()) throw std::runtime_error("no iptables found (install the iptables package)");
    found.push_back(v4);
    if (!v6.empty()) found.push_back(v6);
    return found;
}

bool removeWith(const std::string& program, const RuleSettings& s) {
    const std::string chain = chainName(s);
    // Every jump to the chain (an earlier run may have left more than one), then the chain.
    for (int i = 0; i < 16 && run(program, table({"-D", "PREROUTING", "-i", "lo", "-j", chain})).status == 0; ++i) {}
    if (run(program, table({"-n", "-L", chain})).status != 0) return true;
    run(program, table({"-F", chain}));
    return run(program, table({"-X", chain})).status == 0;
}

}  // namespace

void installRules(const RuleSettings& s) {
    const std::vector<std::string> found = programs(s);
    for (size_t i = 0; i < found.size(); ++i) {
        removeWith(found[i], s);
        std::vector<std::vector<std::string>> steps{{"-N", chainName(s)}};
        for (auto& rule : chainRules(s)) steps.push_back(rule);
        steps.push_back({"-I", "PREROUTING", "-i", "lo", "-j", chainName(s)});
        for (const auto& step : steps) {
            const Result r = run(found[i], table(step));
            if (r.status == 0) continue;
            removeWith(found[i], s);
            // IPv6 is a bonus: a kernel without ip6tables still gets IPv4 shaped.
            if (i > 0) {
                fprintf(stderr, "qc-netem: IPv6 left unshaped: %s", r.output.c_str());
                break;
            }
            throw std::runtime_error(found[i] + " failed: " + r.output);
        }
    }
}

bool removeRules(const RuleSettings& s) {
    bool ok = true;
    for (const std::string& program : programs(s)) ok = removeWith(program, s) && ok;
    return ok;
}

int loopbackMtu() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const int ok = fd >= 0 ? ioctl(fd, SIOCGIFMTU, &request) : -1;
    if (fd >= 0) close(fd);
    return ok == 0 ? request.ifr_mtu : -1;
}

void setLoopbackMtu(int mtu) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    request.ifr_mtu = mtu;
    const int ok = fd >= 0 ? ioctl(fd, SIOCSIFMTU, &request) : -1;
    const int error = errno;
    if (fd >= 0) close(fd);
    if (ok != 0) throw std::runtime_error(std::string("setting lo's MTU: ") + std::strerror(error));
}

bool onlyLoopback() {
    struct if_nameindex* names = if_nameindex();
    if (!names) return false;
    bool only = true;
    for (struct if_nameindex* n = names; n->if_index != 0; ++n) only = only && std::strcmp(n->if_name, "lo") == 0;
    if_freenameindex(names);
    return only;
}

}  // namespace qcnetem
