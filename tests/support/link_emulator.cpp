#include "link_emulator.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace qctest {

namespace {

constexpr auto kReadyBound = std::chrono::seconds(10);
constexpr auto kStopBound = std::chrono::seconds(5);

std::string text(double v) {
    std::ostringstream s;
    s << v;
    return s.str();
}

// Waits for the child to end, up to `bound`; its status, or nothing.
std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds bound) {
    const auto until = std::chrono::steady_clock::now() + bound;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) return status;
        if (r < 0) return -1;
        if (std::chrono::steady_clock::now() >= until) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

}  // namespace

std::string LinkEmulator::program() {
    const char* own = std::getenv("QC_NETEM");
    return own && *own ? own : QC_NETEM;
}

std::vector<std::string> LinkEmulator::arguments(const LinkSettings& s) {
    std::vector<std::string> args;
    auto add = [&](const char* flag, const std::string& value) {
        args.push_back(flag);
        args.push_back(value);
    };
    if (!s.profile.empty()) add("--profile", s.profile);
    if (s.delayMs) add("--delay", text(*s.delayMs));
    if (s.jitterMs) add("--jitter", text(*s.jitterMs));
    if (s.lossPercent) add("--loss", text(*s.lossPercent));
    if (s.rateKbit) add("--rate", text(*s.rateKbit));
    if (s.seed) add("--seed", std::to_string(*s.seed));
    if (s.queueLimit) add("--limit", std::to_string(*s.queueLimit));
    if (s.maxHeld) add("--max-held", std::to_string(*s.maxHeld));
    for (int p : s.unshapedPorts) add("--unshaped-port", std::to_string(p));
    for (int p : s.onlyPorts) add("--port", std::to_string(p));
    return args;
}

LinkEmulator::LinkEmulator(const LinkSettings& settings) {
    char errorsPath[] = "/tmp/qc-netem-errors-XXXXXX";
    const int errorsFd = mkstemp(errorsPath);
    if (errorsFd < 0) throw std::runtime_error("mkstemp");
    errorsPath_ = errorsPath;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");

    const std::string path = program();
    std::vector<std::string> args = arguments(settings);
    args.push_back("--parent");
    args.push_back(std::to_string(getpid()));
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errorsFd, 2);
    const int spawned = posix_spawn(&pid_, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(errorsFd);
    if (spawned != 0) {
        close(out[0]);
        pid_ = -1;
        throw std::runtime_error("can't start " + path);
    }

    // "ready" on its stdout; end of file or the bound first is a failure.
    std::string said;
    const auto until = std::chrono::steady_clock::now() + kReadyBound;
    while (said.find("ready\n") == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        pollfd p{out[0], POLLIN, 0};
        char buf[64];
        ssize_t n = 0;
        if (left.count() <= 0 || poll(&p, 1, static_cast<int>(left.count())) <= 0 ||
            (n = read(out[0], buf, sizeof buf)) <= 0) {
            close(out[0]);
            stop();
            throw std::runtime_error("qc-netem did not get ready: " + errors());
        }
        said.append(buf, static_cast<size_t>(n));
    }
    close(out[0]);  // it writes nothing more there
}

LinkEmulator::~LinkEmulator() {
    stop();
    if (!errorsPath_.empty()) std::remove(errorsPath_.c_str());
}

bool LinkEmulator::stop() {
    if (pid_ < 0) return cleanExit_;
    kill(pid_, SIGTERM);
    std::optional<int> status = waitFor(pid_, kStopBound);
    if (!status) {
        kill(pid_, SIGKILL);
        status = waitFor(pid_, kStopBound);
    }
    pid_ = -1;
    cleanExit_ = status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
    return cleanExit_;
}

std::string LinkEmulator::errors() const {
    std::ifstream in(errorsPath_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace qctest
