#pragma once
// Measurements of the link through the kernel's own path on 127.0.0.1: TCP connects and
// ping-pongs, UDP round trips, UDP loss, a bulk TCP transfer. Every wait has a bound.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace qcnetemtest {

// A TCP listener on an ephemeral port of 127.0.0.1 (or ::1).
class Listener {
public:
    explicit Listener(bool ipv6 = false);
    ~Listener();
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    int port() const { return port_; }
    int accept(int boundMs);  // -1 if nothing came

private:
    int fd_ = -1;
    int port_ = 0;
};

struct Connection {
    int client = -1, server = -1;
    double connectMs = 0;  // connect() alone: one round trip
    Connection() = default;
    Connection(Connection&& o) noexcept;
    Connection& operator=(Connection&&) = delete;
    ~Connection();
};
// Connects to the listener; nothing if it doesn't get through within the bound.
std::optional<Connection> connectTo(Listener& listener, int boundMs);
double connectMsTo(int port, int boundMs, bool ipv6 = false);  // connect() alone; -1 if it fails

// One byte each way on the connection (TCP_NODELAY): one round trip, in ms.
std::optional<double> pingPong(Connection& c, int boundMs);

// `count` UDP datagrams from one socket to an echoing one, `spacingMs` apart; the round trip of
// each answered one (the others are lost), waiting `settleMs` after the last.
std::vector<double> udpRoundTrips(int count, double spacingMs, int settleMs);

// `count` UDP datagrams of `payload` bytes (at least 4), `perSecond` of them (0: at once), to a
// socket that reads them; which arrived, and when (ms after the first was sent; -1: lost).
std::vector<double> udpArrivals(int count, size_t payload, double perSecond, int settleMs);

// A TCP transfer as fast as the link lets it, its receiver's window clamped to `windowBytes`:
// the data that reached the receiver in `windowMs` from when the sender first has a full
// window in flight (nothing if that takes over `warmBoundMs`), in bytes a second. Counted by
// the sender from the receiver's ACKs and SACKs, so that a loss's hole (which holds back what
// the receiving program may read for a round trip) does not stall the count.
std::optional<double> bulkBytesPerSecond(int windowBytes, int warmBoundMs, int windowMs);

// Puts the calling thread (and the threads it starts) ahead of ordinary work, where allowed:
// what a test measures includes its own wake-ups, and with both cores busy a nice-10 test woke
// up to 250 ms late. The probes sleep nearly all the time, so this takes little from anyone.
void wakePromptly();

// lo's MTU in this namespace.
int loopbackMtu();

}  // namespace qcnetemtest
