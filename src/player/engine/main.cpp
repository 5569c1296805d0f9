// qingchuan-engine: the viewer's media engine in a process of its own, so that no stream can
// crash or take over the viewer. The viewer starts it with its end of a SOCK_SEQPACKET socket on
// descriptor 3 and libvlc's options as arguments.
//
// qingchuan-engine --sandbox-self-test FILE: confines itself as the engine does, then says what
// it still could do (open FILE, listen, exec), one line each; for the tests.

#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "player/engine/engine_host.h"
#include "player/engine/sandbox.h"

namespace {

constexpr int kSocket = 3;

int selfTest(const char* file) {
    qc::engine::limitProcess();
    const qc::engine::Confinement c = qc::engine::confineProcess();
    std::printf("landlock: %s\nseccomp: %s\n", c.landlock ? "yes" : "no", c.seccomp ? "yes" : "no");
    const int fd = file ? ::open(file, O_RDONLY | O_CLOEXEC) : -1;
    std::printf("file: %s\n", fd >= 0 ? "opened" : "denied");
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool listens =
        s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 && ::listen(s, 1) == 0;
    std::printf("listen: %s\n", listens ? "allowed" : "denied");
    std::fflush(stdout);
    char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
    ::execv("/bin/true", argv);  // on success, nothing more is said
    std::printf("exec: denied\n");
    std::fflush(stdout);  // a leak checker at exit may die of the filter (it needs ptrace)
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--sandbox-self-test") == 0) return selfTest(argc > 2 ? argv[2] : nullptr);
    int type = 0;
    socklen_t length = sizeof type;
    if (::getsockopt(kSocket, SOL_SOCKET, SO_TYPE, &type, &length) != 0 || type != SOCK_SEQPACKET) {
        std::fprintf(stderr, "qingchuan-engine: the viewer starts this program itself\n");
        return 64;
    }
    ::fcntl(kSocket, F_SETFD, FD_CLOEXEC);
    ::signal(SIGPIPE, SIG_IGN);
    // Ends with the viewer (whose main thread started it), even where a call into libvlc keeps it
    // from seeing the socket close.
    const pid_t viewer = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != viewer) return 0;
    qc::engine::limitProcess();
    qc::engine::EngineHost host(kSocket, std::vector<std::string>(argv + 1, argv + argc));
    // At once: libvlc's stops would only delay the end, and the system frees everything.
    ::_exit(host.run());
}
