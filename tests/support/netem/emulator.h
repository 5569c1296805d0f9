#pragma once
// The packets of one NFQUEUE queue, held and let go as the link model says: a verdict per packet,
// given late and out of order.

#include <cstdint>
#include <optional>
#include <queue>
#include <string>
#include <vector>

#include "link_model.h"
#include "packet.h"

struct nfq_handle;
struct nfq_q_handle;
struct nfgenmsg;
struct nfq_data;

namespace qcnetem {

int64_t monotonicNs();

class Emulator {
public:
    // Binds the queue; throws if it can't (another program has it, or no permission).
    Emulator(int queue, const LinkSettings& settings, size_t maxHeld);
    ~Emulator();  // lets every held packet go
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    int fd() const { return fd_; }
    void readPackets();  // whatever the kernel has queued, without waiting
    void releaseDue(int64_t nowNs);
    std::optional<int64_t> nextReleaseNs() const;
    // From now on every packet goes at once, held ones too (before the rules go).
    void passEverything();
    std::string stats() const;

private:
    static int onPacket(nfq_q_handle* queue, nfgenmsg* message, nfq_data* data, void* self);
    void handle(uint32_t id, const uint8_t* payload, int size, int64_t arrivedNs);
    void verdict(uint32_t id, bool accept);

    struct Held {
        int64_t releaseNs;
        uint64_t order;
        uint32_t id;
        bool operator>(const Held& o) const {
            return releaseNs != o.releaseNs ? releaseNs > o.releaseNs : order > o.order;
        }
    };

    nfq_handle* handle_ = nullptr;
    nfq_q_handle* queue_ = nullptr;
    int fd_ = -1;
    int stampsOn_ = -1;  // a socket asking for receive timestamps, so that every packet gets one
    size_t maxHeld_;
    bool passing_ = false;
    Directions directions_;
    std::vector<Direction> lines_;
    std::priority_queue<Held, std::vector<Held>, std::greater<>> held_;
    uint64_t order_ = 0;
    uint64_t overflow_ = 0, unparsed_ = 0, readErrors_ = 0, maxHeldSeen_ = 0;
    int64_t lateNs_ = 0, mostLateNs_ = 0;  // verdicts given after their time, all told and the worst
    uint64_t released_ = 0, unstamped_ = 0;
    std::vector<char> buffer_;
};

}  // namespace qcnetem
