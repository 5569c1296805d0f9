#include "player/libvlc/vlc_media_engine.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "core/app/version.h"
#include "player/libvlc/vlc_api.h"
#include "player/libvlc/vlc_engine_threads.h"
#include "player/libvlc/vlc_source.h"

namespace qc {

namespace {

using Kind = EngineEvent::Kind;
using Task = VlcMediaEngine::Task;
using vlc_threads::Outbox;
using vlc_threads::Ticker;
using vlc_threads::Worker;

// The engine's own options: no window, no scripts, no files of its own, no text drawn into the
// pictures (the text renderer would read every font on the machine: 0.8 s where its cache can't
// be read); network bounds where libvlc has them (the catalogue's mms servers, http that does not
// reconnect by itself).
const std::vector<std::string> kOptions = {"--quiet",
                                           "--no-video-title-show",
                                           "--no-snapshot-preview",
                                           "--no-stats",
                                           "--no-lua",
                                           "--no-xlib",
                                           "--no-osd",
                                           "--no-spu",
                                           "--text-renderer=none",
                                           "--no-http-reconnect",
                                           "--mms-timeout=5000",
                                           "--network-caching=1000",
                                           "--no-media-library"};

// Stops this many sources at most at once in its queue; an open past them fails instead of
// holding more players.
constexpr std::size_t kMaxStopping = 16;

}  // namespace

struct VlcMediaEngine::Impl : std::enable_shared_from_this<Impl> {
    struct Slot {
        bool open = false;
        std::uint32_t generation = 0;
        std::string location;
        std::shared_ptr<VlcSource> source;
        bool life = false, media = false;
        int percent = -1;
    };
    enum class Start { Pending, Started, Failed };

    std::shared_ptr<Outbox> outbox;
    Worker worker;
    std::unique_ptr<Ticker> ticker;
    Listener listener;
    PictureSink* sink = nullptr;
    Start start = Start::Pending;
    std::vector<std::function<void(bool)>> startWaiters;
    const LibVlc* api = nullptr;
    libvlc_instance_t* vlc = nullptr;
    std::array<Slot, kSlots> slots;
    int shown = -1;
    int volume = 100;
    bool muted = false;

    explicit Impl(Post post) : outbox(std::make_shared<Outbox>(std::move(post))) {}

    void begin(std::vector<std::string> extra) {
        // Whatever the worker made, the worker releases: the instance lives in this box.
        auto made = std::make_shared<std::pair<const LibVlc*, libvlc_instance_t*>>(nullptr, nullptr);
        worker.push([made, extra = std::move(extra), outbox = outbox, self = weak_from_this()] {
            std::vector<std::string> options = kOptions;
            options.insert(options.end(), extra.begin(), extra.end());
            std::vector<const char*> argv;
            for (const auto& o : options) argv.push_back(o.c_str());
            const LibVlc* api = libVlc();
            libvlc_instance_t* vlc = api ? api->libvlc_new(static_cast<int>(argv.size()), argv.data()) : nullptr;
            if (vlc) {
                const std::string version(kVersion);
                api->libvlc_set_user_agent(vlc, ("qingchuan " + version).c_str(), ("qingchuan/" + version).c_str());
                installVlcLog(*api, vlc);
                *made = {api, vlc};
            }
            outbox->post([self, api, vlc] {
                if (auto impl = self.lock()) impl->started(vlc ? api : nullptr, vlc);
            });
        });
        releaseInstance = [made] {
            if (made->second) made->first->libvlc_release(made->second);
        };
        ticker = std::make_unique<Ticker>(outbox, [self = weak_from_this()] {
            if (auto impl = self.lock()) impl->tick();
        });
    }
    Task releaseInstance;

    void started(const LibVlc* a, libvlc_instance_t* v) {
        api = a;
        vlc = v;
        start = v ? Start::Started : Start::Failed;
        for (int i = 0; i < kSlots; ++i)
            if (slots[i].open && !slots[i].source) launch(i);
        auto waiters = std::move(startWaiters);
        for (auto& w : waiters) w(start == Start::Started);
    }

    void fail(int slot, EngineEvent::Cause cause) {
        EngineEvent e;
        e.kind = Kind::Failed;
        e.slot = slot;
        e.generation = slots[slot].generation;
        e.cause = cause;
        outbox->post([self = weak_from_this(), e] {
            if (auto impl = self.lock()) impl->deliver(e);
        });
    }

    void launch(int i) {
        Slot& s = slots[i];
        if (start == Start::Failed) return fail(i, EngineEvent::Cause::Unsupported);
        if (worker.pending() >= kMaxStopping) return fail(i, EngineEvent::Cause::Other);
        VlcSource::Hooks hooks;
        hooks.event = [outbox = outbox, self = weak_from_this()](const EngineEvent& e) {
            outbox->post([self, e] {
                if (auto impl = self.lock()) impl->deliver(e);
            });
        };
        hooks.picture = [outbox = outbox, self = weak_from_this()](int slot, std::uint32_t generation) {
            outbox->post([self, slot, generation] {
                if (auto impl = self.lock()) impl->deliverPicture(slot, generation);
            });
        };
        s.source = std::make_shared<VlcSource>(*api, vlc, i, s.generation, std::move(hooks));
        const bool ok = s.source->start(s.location, [&](libvlc_media_player_t* mp) { applySound(i, mp); });
        s.source->setShown(i == shown);
        if (!ok) fail(i, EngineEvent::Cause::Other);
    }

    void applySound(int i, libvlc_media_player_t* mp) {
        api->libvlc_audio_set_volume(mp, volume);
        api->libvlc_audio_set_mute(mp, muted || i != shown);
    }
    void applySound(int i) {
        if (VlcSource* s = slots[i].source.get(); s && s->player()) applySound(i, s->player());
    }

    // Stopped on the worker: libvlc's stop blocks.
    void retire(int i) {
        Slot& s = slots[i];
        if (auto source = std::move(s.source)) {
            source->setShown(false);
            worker.push([source] { source->stopAndRelease(); });
        }
        s = Slot{};
        updateTicker();
    }

    void updateTicker() {
        if (ticker) ticker->want(shown >= 0 && slots[shown].open);
    }

    void deliver(EngineEvent e) {
        Slot& s = slots[e.slot];
        if (!s.open || s.generation != e.generation) return;  // of a source closed or replaced since
        switch (e.kind) {
        case Kind::Life:
            if (s.life) return;
            s.life = true;
            break;
        case Kind::Media:
            if (s.media) return;
            if (!s.life) {
                EngineEvent life = e;
                life.kind = Kind::Life;
                deliver(life);
                if (!s.open || s.generation != e.generation) return;
            }
            s.media = true;
            break;
        case Kind::Buffering:
            if (e.percent == s.percent) return;
            s.percent = e.percent;
            break;
        default: break;
        }
        if (listener) listener(e);
    }

    void deliverPicture(int slot, std::uint32_t generation) {
        Slot& s = slots[slot];
        if (!s.open || s.generation != generation || !s.source) return;  // retired: never shown again
        std::shared_ptr<VlcSource> keep = s.source;                      // the sink may close it
        // Taken even when not wanted (no longer shown), so that the source may post the next one.
        const bool wanted = slot == shown && sink;
        keep->withNewest([&](const std::uint8_t* pixels, int w, int h, int pitch) {
            if (wanted) sink->picture(pixels, w, h, pitch);
        });
    }

    void tick() {
        if (shown < 0) return;
        Slot& s = slots[shown];
        if (!s.open || !s.media || !s.source || !s.source->player()) return;
        libvlc_media_player_t* mp = s.source->player();
        EngineEvent e;
        e.kind = Kind::Progress;
        e.slot = shown;
        e.generation = s.generation;
        e.timeMs = std::max<std::int64_t>(0, api->libvlc_media_player_get_time(mp));
        e.lengthMs = std::max<std::int64_t>(0, api->libvlc_media_player_get_length(mp));
        e.position = std::clamp(static_cast<double>(api->libvlc_media_player_get_position(mp)), 0.0, 1.0);
        e.seekable = api->libvlc_media_player_is_seekable(mp) != 0;
        e.hasVideo = api->libvlc_media_player_has_vout(mp) > 0;
        e.pictures = s.source->pictures();
        if (listener) listener(e);
    }
};

VlcMediaEngine::VlcMediaEngine(Post post, std::vector<std::string> extraOptions)
    : impl_(std::make_shared<Impl>(std::move(post))) {
    impl_->begin(std::move(extraOptions));
}

VlcMediaEngine::~VlcMediaEngine() {
    impl_->outbox->close();
    impl_->ticker.reset();
    for (int i = 0; i < kSlots; ++i) impl_->retire(i);
    impl_->worker.push(impl_->releaseInstance);
    impl_->worker.finish(std::chrono::milliseconds(2000));
}

void VlcMediaEngine::whenStarted(std::function<void(bool)> done) {
    if (impl_->start == Impl::Start::Pending) impl_->startWaiters.push_back(std::move(done));
    else done(impl_->start == Impl::Start::Started);
}

void VlcMediaEngine::setListener(Listener listener) { impl_->listener = std::move(listener); }

void VlcMediaEngine::setPictureSink(PictureSink* sink) { impl_->sink = sink; }

void VlcMediaEngine::open(int slot, std::uint32_t generation, const std::string& location) {
    if (slot < 0 || slot >= kSlots) return;
    impl_->retire(slot);
    Impl::Slot& s = impl_->slots[slot];
    s.open = true;
    s.generation = generation;
    s.location = location;
    impl_->updateTicker();
    // An empty location would make libvlc listen on UDP; one cut at a NUL byte is another address.
    if (location.empty() || location.find('\0') != std::string::npos)
        return impl_->fail(slot, EngineEvent::Cause::Unsupported);
    if (impl_->start != Impl::Start::Pending) impl_->launch(slot);
}

void VlcMediaEngine::show(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    impl_->shown = slot;
    for (int i = 0; i < kSlots; ++i) {
        impl_->applySound(i);
        if (impl_->slots[i].source && i != slot) impl_->slots[i].source->setShown(false);
    }
    if (impl_->sink) impl_->sink->clearPicture();
    if (impl_->slots[slot].source) impl_->slots[slot].source->setShown(true);  // its newest picture at once
    impl_->updateTicker();
}

void VlcMediaEngine::close(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    const bool wasOpen = impl_->slots[slot].open;
    impl_->retire(slot);
    if (wasOpen && slot == impl_->shown && impl_->sink) impl_->sink->clearPicture();
}

void VlcMediaEngine::pause(int slot, bool on) {
    if (slot < 0 || slot >= kSlots) return;
    if (VlcSource* s = impl_->slots[slot].source.get(); s && s->player())
        impl_->api->libvlc_media_player_set_pause(s->player(), on ? 1 : 0);
}

void VlcMediaEngine::seek(int slot, double position) {
    if (slot < 0 || slot >= kSlots || !(position >= 0 && position <= 1)) return;
    if (VlcSource* s = impl_->slots[slot].source.get();
        s && s->player() && impl_->api->libvlc_media_player_is_seekable(s->player()))
        impl_->api->libvlc_media_player_set_position(s->player(), static_cast<float>(position));
}

void VlcMediaEngine::setVolume(int percent) {
    impl_->volume = std::clamp(percent, 0, 100);
    for (int i = 0; i < kSlots; ++i) impl_->applySound(i);
}

void VlcMediaEngine::setMute(bool on) {
    impl_->muted = on;
    for (int i = 0; i < kSlots; ++i) impl_->applySound(i);
}

}  // namespace qc
