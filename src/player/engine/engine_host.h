#pragma once
// The media engine's process: VlcMediaEngine driven by the viewer's messages on one socket
// (core/player/engine_protocol), its events sent back, the shown source's pictures copied into
// shared memory the viewer maps. One thread runs it all (a poll loop); libvlc's threads only post
// to it. Memory is watched: a source that makes the process too large is refused.

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/player/engine_protocol.h"
#include "core/ports/media_engine.h"

namespace qc {
class VlcMediaEngine;
}

namespace qc::engine {

class EngineHost final : public PictureSink {
public:
    // `socket`: the viewer's end (SOCK_SEQPACKET); `options`: libvlc's, beside the engine's own.
    EngineHost(int socket, std::vector<std::string> options);
    ~EngineHost() override;
    // Until the viewer says Quit or goes; the process's exit status.
    int run();

    void picture(const std::uint8_t* pixels, int width, int height, int pitch) override;
    void clearPicture() override;

private:
    struct Slot {
        bool open = false, media = false;
        std::uint32_t generation = 0;
    };
    void post(std::function<void()> task);
    void runPosted();
    bool readCommands();  // false: the viewer has gone or spoke nonsense
    bool handle(const Message& m);
    void send(const Message& m, int fd = -1);
    void event(const EngineEvent& e);
    bool newFormat(int width, int height, int pitch);
    bool watchMemory();  // false: too large for too long

    int socket_;
    int wake_;
    std::vector<std::string> options_;
    std::unique_ptr<VlcMediaEngine> engine_;
    bool started_ = false, quit_ = false;
    std::mutex mutex_;
    std::deque<std::function<void()>> posted_;
    std::array<Slot, kSlots> slots_;
    int shown_ = -1;
    // The pictures' memory: kFrameBuffers buffers of the current Format.
    std::uint8_t* frames_ = nullptr;
    std::uint64_t framesBytes_ = 0;
    int width_ = 0, height_ = 0, pitch_ = 0;
    std::int64_t formatNumber_ = 0;
    std::array<bool, kFrameBuffers> lent_{};
    std::int64_t overSinceMs_ = -1, watchedMs_ = 0;
};

}  // namespace qc::engine
