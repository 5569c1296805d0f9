#include "link_probes.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
// The kernel's tcp_info: the C library's lacks tcpi_delivered.
#include <linux/tcp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace qcnetemtest {

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point t) { return std::chrono::duration<double, std::milli>(Clock::now() - t).count(); }

sockaddr_in loopback(int port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    return a;
}

// 127.0.0.1 or ::1 at this port, and its length.
std::pair<sockaddr_storage, socklen_t> loopbackOf(bool ipv6, int port) {
    sockaddr_storage s{};
    if (!ipv6) {
        const sockaddr_in a = loopback(port);
        std::memcpy(&s, &a, sizeof a);
        return {s, sizeof a};
    }
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    a.sin6_addr = in6addr_loopback;
    a.sin6_port = htons(static_cast<uint16_t>(port));
    std::memcpy(&s, &a, sizeof a);
    return {s, sizeof a};
}

int portOf(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&a)->sin6_port
                                         : reinterpret_cast<sockaddr_in*>(&a)->sin_port);
}

int udpSocket() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const sockaddr_in a = loopback(0);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("udp");
    return fd;
}

bool readable(int fd, int boundMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, boundMs) == 1;
}

void noDelay(int fd) {
    int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

// Paces sends without catching up after a late wake (a burst would fill the link's queue).
class Pacer {
public:
    explicit Pacer(double perSecond) : interval_(perSecond > 0 ? 1.0 / perSecond : 0), next_(Clock::now()) {}
    void wait() {
        if (interval_ <= 0) return;
        std::this_thread::sleep_until(next_);
        next_ = std::max(next_ + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(interval_)),
                         Clock::now());
    }

private:
    double interval_;
    Clock::time_point next_;
};

}  // namespace

Listener::Listener(bool ipv6) {
    fd_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto [a, len] = loopbackOf(ipv6, 0);
    if (fd_ < 0 || bind(fd_, reinterpret_cast<const sockaddr*>(&a), len) != 0 || listen(fd_, 16) != 0)
        throw std::runtime_error("listen");
    port_ = portOf(fd_);
}

Listener::~Listener() { close(fd_); }

int Listener::accept(int boundMs) {
    if (!readable(fd_, boundMs)) return -1;
    return accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
}

Connection::Connection(Connection&& o) noexcept : client(o.client), server(o.server), connectMs(o.connectMs) {
    o.client = o.server = -1;
}

Connection::~Connection() {
    if (client >= 0) close(client);
    if (server >= 0) close(server);
}

double connectMsTo(int port, int boundMs, bool ipv6) {
    const int fd = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const auto [a, len] = loopbackOf(ipv6, port);
    const auto start = Clock::now();
    bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&a), len) == 0;
    if (!ok && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t len = sizeof error;
        ok = poll(&p, 1, boundMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
    }
    const double ms = msSince(start);
    close(fd);
    return ok ? ms : -1;
}

std::optional<Connection> connectTo(Listener& listener, int boundMs) {
    std::optional<Connection> c(std::in_place);
    c->client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const sockaddr_in a = loopback(listener.port());
    const auto start = Clock::now();
    if (connect(c->client, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 && errno != EINPROGRESS)
        return std::nullopt;
    pollfd p{c->client, POLLOUT, 0};
    int error = 0;
    socklen_t len = sizeof error;
    if (poll(&p, 1, boundMs) != 1 || getsockopt(c->client, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0)
        return std::nullopt;
    c->connectMs = msSince(start);
    fcntl(c->client, F_SETFL, 0);
    c->server = listener.accept(boundMs);
    if (c->server < 0) return std::nullopt;
    noDelay(c->client);
    noDelay(c->server);
    return c;
}

std::optional<double> pingPong(Connection& c, int boundMs) {
    char byte = 'p';
    const auto start = Clock::now();
    if (send(c.client, &byte, 1, MSG_NOSIGNAL) != 1) return std::nullopt;
    if (!readable(c.server, boundMs) || recv(c.server, &byte, 1, 0) != 1) return std::nullopt;
    if (send(c.server, &byte, 1, MSG_NOSIGNAL) != 1) return std::nullopt;
    if (!readable(c.client, boundMs) || recv(c.client, &byte, 1, 0) != 1) return std::nullopt;
    return msSince(start);
}

std::vector<double> udpRoundTrips(int count, double spacingMs, int settleMs) {
    const int client = udpSocket(), echo = udpSocket();
    const sockaddr_in to = loopback(portOf(echo));
    std::vector<Clock::time_point> sent(static_cast<size_t>(count));
    std::vector<double> rtt;
    int next = 0;
    const auto start = Clock::now();
    auto due = [&] {
        return start +
               std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::milli>(spacingMs * next));
    };
    Clock::time_point end = Clock::time_point::max();
    while (Clock::now() < end) {
        if (next < count && Clock::now() >= due()) {
            sent[static_cast<size_t>(next)] = Clock::now();
            uint32_t seq = static_cast<uint32_t>(next);
            sendto(client, &seq, sizeof seq, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (++next == count) end = Clock::now() + std::chrono::milliseconds(settleMs);
        }
        pollfd fds[] = {{client, POLLIN, 0}, {echo, POLLIN, 0}};
        poll(fds, 2, 1);
        uint32_t seq = 0;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        if (fds[1].revents & POLLIN &&
            recvfrom(echo, &seq, sizeof seq, 0, reinterpret_cast<sockaddr*>(&from), &len) == sizeof seq)
            sendto(echo, &seq, sizeof seq, 0, reinterpret_cast<const sockaddr*>(&from), len);
        if (fds[0].revents & POLLIN && recv(client, &seq, sizeof seq, 0) == sizeof seq && seq < sent.size())
            rtt.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent[seq]).count());
    }
    close(client);
    close(echo);
    return rtt;
}

std::vector<double> udpArrivals(int count, size_t payload, double perSecond, int settleMs) {
    const int sender = udpSocket(), sink = udpSocket();
    int big = 8 << 20;
    setsockopt(sink, SOL_SOCKET, SO_RCVBUF, &big, sizeof big);
    const sockaddr_in to = loopback(portOf(sink));
    std::vector<double> arrivals(static_cast<size_t>(count), -1);
    std::atomic<bool> done{false};
    const auto start = Clock::now();
    std::thread reader([&] {
        std::vector<char> buf(std::max<size_t>(payload, 4));
        while (!done) {
            if (!readable(sink, 20)) continue;
            uint32_t seq = 0;
            if (recv(sink, buf.data(), buf.size(), 0) >= 4 && (std::memcpy(&seq, buf.data(), 4), seq < arrivals.size()))
                arrivals[seq] = msSince(start);
        }
    });
    Pacer pacer(perSecond);
    std::vector<char> datagram(std::max<size_t>(payload, 4));
    for (int i = 0; i < count; ++i) {
        pacer.wait();
        const uint32_t seq = static_cast<uint32_t>(i);
        std::memcpy(datagram.data(), &seq, 4);
        sendto(sender, datagram.data(), datagram.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
    done = true;
    reader.join();
    close(sender);
    close(sink);
    return arrivals;
}

namespace {

tcp_info infoOf(int fd) {
    tcp_info info{};
    socklen_t len = sizeof info;
    getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &len);
    return info;
}

}  // namespace

std::optional<double> bulkBytesPerSecond(int windowBytes, int warmBoundMs, int windowMs) {
    Listener listener;
    Connection c;
    c.client = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    setsockopt(c.client, IPPROTO_TCP, TCP_WINDOW_CLAMP, &windowBytes, sizeof windowBytes);
    const sockaddr_in a = loopback(listener.port());
    if (connect(c.client, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) return std::nullopt;
    c.server = listener.accept(10000);
    if (c.server < 0) return std::nullopt;
    std::atomic<bool> stop{false};
    std::thread sender([&] {
        std::vector<char> block(64 << 10, 'b');
        while (!stop) {
            pollfd p{c.server, POLLOUT, 0};
            if (poll(&p, 1, 20) == 1 && send(c.server, block.data(), block.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                errno != EAGAIN)
                return;
        }
    });
    const auto start = Clock::now();
    std::vector<char> buf(1 << 16);
    std::optional<std::pair<Clock::time_point, uint32_t>> from;
    std::optional<double> rate;
    while (!stop) {
        if (readable(c.client, 5) && recv(c.client, buf.data(), buf.size(), 0) <= 0) break;
        const tcp_info info = infoOf(c.server);
        // A full window in flight: more than the line holds, so from now on it is never idle.
        if (!from && static_cast<double>(info.tcpi_unacked) * info.tcpi_snd_mss >= 0.9 * windowBytes)
            from = {Clock::now(), info.tcpi_delivered};
        if (!from && msSince(start) > warmBoundMs) break;
        if (from && msSince(from->first) >= windowMs) {
            rate = static_cast<double>(info.tcpi_delivered - from->second) * info.tcpi_snd_mss /
                   (msSince(from->first) / 1000);
            break;
        }
    }
    stop = true;
    sender.join();
    return rate;
}

void wakePromptly() {
    const sched_param realtime{.sched_priority = 1};
    if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &realtime) != 0) setpriority(PRIO_PROCESS, 0, -10);
}

int loopbackMtu() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const int ok = ioctl(fd, SIOCGIFMTU, &request);
    close(fd);
    return ok == 0 ? request.ifr_mtu : -1;
}

}  // namespace qcnetemtest
