#pragma once
// One source the engine holds open: a libvlc media player of its own (a fresh one for each open,
// so that no late event of an earlier source can pass for this one's), its callbacks, and the
// memory its pictures are drawn into. The callbacks run on libvlc's threads and only hand what
// they saw to `Hooks`; the owner's thread reads the newest picture through withNewest().

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/ports/media_engine.h"
#include "player/libvlc/vlc_api.h"

namespace qc {

class VlcSource {
public:
    struct Hooks {
        // An event of this source, stamped with its slot and generation; from any thread.
        std::function<void(const EngineEvent&)> event;
        // A new picture is there (at most one such call waits for the owner at a time).
        std::function<void(int slot, std::uint32_t generation)> picture;
    };

    VlcSource(const LibVlc& api, libvlc_instance_t* vlc, int slot, std::uint32_t generation, Hooks hooks);
    ~VlcSource();
    VlcSource(const VlcSource&) = delete;
    VlcSource& operator=(const VlcSource&) = delete;

    // Opens `location` and plays it, `beforePlay` done to the new player first (its sound); false
    // when libvlc wouldn't. Does not wait for the network.
    bool start(const std::string& location, const std::function<void(libvlc_media_player_t*)>& beforePlay);
    // Blocks until libvlc has stopped it; after that no callback of it runs. Not on the owner's thread.
    void stopAndRelease();

    libvlc_media_player_t* player() const { return mp_; }
    int slot() const { return slot_; }
    std::uint32_t generation() const { return generation_; }
    std::int64_t pictures() const { return pictures_.load(); }
    // Whether its pictures are wanted (the source shown).
    void setShown(bool on);

    // Hands the newest picture to `use` (for the length of the call); false when there is none.
    // On the owner's thread.
    bool withNewest(const std::function<void(const std::uint8_t*, int width, int height, int pitch)>& use);

private:
    struct Frames {
        int width = 0, height = 0, pitch = 0;
        double scale = 1;  // of the source's pictures to these
        std::vector<std::uint8_t> buffer[3];
        // What of them is picture: libvlc hands over whole macroblocks (a 160×120 clip comes as
        // 160×128); asked of it on the owner's thread once, at the first picture.
        int shownWidth = 0, shownHeight = 0;
    };

    static void onEvent(const libvlc_event_t* event, void* self);
    static unsigned onFormat(void** self, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                             unsigned* lines);
    static void* onLock(void* self, void** planes);
    static void onUnlock(void* self, void* picture, void* const* planes);
    static void onDisplay(void* self, void* picture);
    void emit(EngineEvent event) const;

    const LibVlc& api_;
    libvlc_instance_t* vlc_;
    libvlc_media_player_t* mp_ = nullptr;
    const int slot_;
    const std::uint32_t generation_;
    const Hooks hooks_;
    std::atomic<std::int64_t> pictures_{0};
    std::atomic<bool> shown_{false};
    std::atomic<bool> pictureWaiting_{false};

    std::mutex framesMutex_;
    std::shared_ptr<Frames> frames_;
    int newest_ = -1, reading_ = -1, writing_ = -1;
    std::atomic<bool> accessOpened_{false};

    friend void noteVlcLog(VlcSource*, int, const char*, va_list);
};

// Routes libvlc's log to the source whose input thread wrote it (the cause of a failure, the
// first sign of its server); install on the instance once.
void installVlcLog(const LibVlc& api, libvlc_instance_t* vlc);

}  // namespace qc
