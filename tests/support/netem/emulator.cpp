#include "emulator.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>
// After the C library's network headers: the kernel's would clash with them.
#include <libnetfilter_queue/libnetfilter_queue.h>
#include <linux/netfilter.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace qcnetem {

namespace {
// Enough for IPv4's longest header (60) or IPv6's (40) and TCP's flags.
constexpr int kCopyBytes = 128;
}  // namespace

int64_t monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

Emulator::Emulator(int queue, const LinkSettings& settings, size_t maxHeld)
    : maxHeld_(maxHeld), lines_{Direction(settings, 0), Direction(settings, 1)}, buffer_(1 << 16) {
    handle_ = nfq_open();
    if (!handle_) throw std::runtime_error(std::string("nfq_open: ") + std::strerror(errno));
    queue_ = nfq_create_queue(handle_, static_cast<uint16_t>(queue), &Emulator::onPacket, this);
    if (!queue_) {
        nfq_close(handle_);
        throw std::runtime_error("binding queue " + std::to_string(queue) + ": " + std::strerror(errno));
    }
    nfq_set_mode(queue_, NFQNL_COPY_PACKET, kCopyBytes);
    // Held packets stay in the kernel's queue: room for all of them and a burst not yet read.
    nfq_set_queue_maxlen(queue_, static_cast<uint32_t>(maxHeld_ + 4096));
    // Should we ever stop reading (stopped, or starved), the kernel lets packets past unshaped
    // rather than drop them: the namespace never wedges.
    nfq_set_queue_flags(queue_, NFQA_CFG_F_FAIL_OPEN, NFQA_CFG_F_FAIL_OPEN);
    nfnl_rcvbufsiz(nfq_nfnlh(handle_), 16 << 20);
    fd_ = nfq_fd(handle_);
    // With any socket asking for them, the kernel stamps each packet as lo receives it, and the
    // queue passes the stamp on: a packet's arrival is when it came, not when we woke to read it.
    stampsOn_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(stampsOn_, SOL_SOCKET, SO_TIMESTAMP, &one, sizeof one);
}

Emulator::~Emulator() {
    passEverything();
    nfq_destroy_queue(queue_);
    nfq_close(handle_);
    if (stampsOn_ >= 0) close(stampsOn_);
}

void Emulator::readPackets() {
    for (;;) {
        const ssize_t n = recv(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT);
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (n < 0 && (errno == EINTR || errno == ENOBUFS)) {
            // ENOBUFS: the kernel had more for us than the socket held; those packets are gone.
            readErrors_ += errno == ENOBUFS;
            continue;
        }
        if (n <= 0) throw std::runtime_error(std::string("reading the queue: ") + std::strerror(errno));
        nfq_handle_packet(handle_, buffer_.data(), static_cast<int>(n));
    }
}

int Emulator::onPacket(nfq_q_handle*, nfgenmsg*, nfq_data* data, void* self) {
    const nfqnl_msg_packet_hdr* header = nfq_get_msg_packet_hdr(data);
    if (!header) return 0;
    unsigned char* payload = nullptr;
    const int size = nfq_get_payload(data, &payload);
    // The stamp is on the wall clock: how long ago it was, on the monotonic one.
    const int64_t now = monotonicNs();
    int64_t arrived = now;
    timeval stamp{};
    if (nfq_get_timestamp(data, &stamp) == 0) {
        timespec wall{};
        clock_gettime(CLOCK_REALTIME, &wall);
        const int64_t ago = (static_cast<int64_t>(wall.tv_sec) - stamp.tv_sec) * 1000000000 +
                            (static_cast<int64_t>(wall.tv_nsec) - static_cast<int64_t>(stamp.tv_usec) * 1000);
        if (ago > 0 && ago < 10000000000) arrived = now - ago;
    } else {
        ++static_cast<Emulator*>(self)->unstamped_;
    }
    static_cast<Emulator*>(self)->handle(ntohl(header->packet_id), payload, size, arrived);
    return 0;
}

void Emulator::handle(uint32_t id, const uint8_t* payload, int size, int64_t arrivedNs) {
    const std::optional<PacketInfo> info = size > 0 ? parsePacket(payload, static_cast<size_t>(size)) : std::nullopt;
    if (passing_ || !info) {
        unparsed_ += !info;
        verdict(id, true);
        return;
    }
    if (held_.size() >= maxHeld_) {
        ++overflow_;
        verdict(id, false);
        return;
    }
    const Verdict v =
        lines_[static_cast<size_t>(directions_.of(*info, arrivedNs))].admit(arrivedNs, info->length, flowHash(*info));
    if (v.fate != Fate::Pass) {
        verdict(id, false);
        return;
    }
    if (v.releaseNs <= monotonicNs()) {
        verdict(id, true);
        return;
    }
    held_.push({v.releaseNs, order_++, id});
    if (held_.size() > maxHeldSeen_) maxHeldSeen_ = held_.size();
}

void Emulator::verdict(uint32_t id, bool accept) {
    nfq_set_verdict(queue_, id, accept ? NF_ACCEPT : NF_DROP, 0, nullptr);
}

void Emulator::releaseDue(int64_t nowNs) {
    while (!held_.empty() && held_.top().releaseNs <= nowNs) {
        if (!passing_) {
            const int64_t late = nowNs - held_.top().releaseNs;
            lateNs_ += late;
            mostLateNs_ = std::max(mostLateNs_, late);
            ++released_;
        }
        verdict(held_.top().id, true);
        held_.pop();
    }
}

std::optional<int64_t> Emulator::nextReleaseNs() const {
    if (held_.empty()) return std::nullopt;
    return held_.top().releaseNs;
}

void Emulator::passEverything() {
    passing_ = true;
    releaseDue(INT64_MAX);
}

std::string Emulator::stats() const {
    std::string s;
    const char* names[] = {"up", "down"};
    for (size_t i = 0; i < lines_.size(); ++i) {
        const DirectionStats& d = lines_[i].stats();
        s += std::string(names[i]) + ": " + std::to_string(d.packets) + " packets, " + std::to_string(d.lost) +
             " lost, " + std::to_string(d.queueFull) + " dropped at a full queue; ";
    }
    s += "most held " + std::to_string(maxHeldSeen_) + ", over the bound " + std::to_string(overflow_) + ", unparsed " +
         std::to_string(unparsed_) + ", unstamped " + std::to_string(unstamped_) + ", read errors " +
         std::to_string(readErrors_);
    if (released_ > 0) {
        char late[96];
        std::snprintf(late, sizeof late, "; released late by %.2f ms on average, %.2f ms at most",
                      static_cast<double>(lateNs_) / static_cast<double>(released_) / 1e6,
                      static_cast<double>(mostLateNs_) / 1e6);
        s += late;
    }
    return s;
}

}  // namespace qcnetem
