#pragma once
// The media engine on libvlc: one instance, a media player for each open source, pictures drawn
// into memory of ours (no native window) and handed to the PictureSink. No Qt: the engine's own
// process hosts it too.
//
// Threads: every call and every event and picture is on the owner's thread; libvlc's callbacks
// only hand work to `post`. libvlc_media_player_stop blocks (a stalled server, a module's time-out),
// so stopping and releasing happen on a thread of the engine's own, which also starts libvlc.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ports/media_engine.h"

namespace qc {

class VlcMediaEngine final : public MediaEngine {
public:
    using Task = std::function<void()>;
    // Runs a task on the owner's thread, later; called from any thread while the engine lives.
    using Post = std::function<void(Task)>;

    // libvlc's options beside the engine's own (say "--aout=adummy" where there is no sound device).
    explicit VlcMediaEngine(Post post, std::vector<std::string> extraOptions = {});
    // Waits a short while for the stops in flight, then leaves them to end on their own.
    ~VlcMediaEngine() override;
    VlcMediaEngine(const VlcMediaEngine&) = delete;
    VlcMediaEngine& operator=(const VlcMediaEngine&) = delete;

    // Called on the owner's thread once libvlc has started (true) or could not be (false); opens
    // before then wait for it. At once if that is known already.
    void whenStarted(std::function<void(bool)> done);

    void setListener(Listener listener) override;
    void setPictureSink(PictureSink* sink) override;
    void open(int slot, std::uint32_t generation, const std::string& location) override;
    void show(int slot) override;
    void close(int slot) override;
    void pause(int slot, bool on) override;
    void seek(int slot, double position) override;
    void setVolume(int percent) override;
    void setMute(bool on) override;

    struct Impl;

private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace qc
