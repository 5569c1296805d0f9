#include "watch.h"

#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qctest {

FileOpens::FileOpens(const std::string& path) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0 || inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_ACCESS) < 0)
        throw std::runtime_error("inotify on " + path);
}

FileOpens::~FileOpens() { ::close(fd_); }

int FileOpens::count() {
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n <= 0) break;
        for (ssize_t at = 0; at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buf + at);
            if (e->mask & IN_OPEN) ++opens_;
            at += ssize_t(sizeof(inotify_event) + e->len);
        }
    }
    return opens_;
}

int connectionsTo(int port) {
    std::ifstream tcp("/proc/net/tcp");
    std::string line;
    std::getline(tcp, line);  // the header
    char server[64];
    std::snprintf(server, sizeof server, "0100007F:%04X", port);
    int n = 0;
    while (std::getline(tcp, line)) {
        std::istringstream fields(line);
        std::string slot, from, to, state;
        fields >> slot >> from >> to >> state;
        n += to == server && state == "01";  // ESTABLISHED, on the client's side
    }
    return n;
}

bool udpPortTaken(int port) {
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(static_cast<uint16_t>(port));
    bool taken = ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    ::close(fd);
    return taken;
}

}  // namespace qctest
