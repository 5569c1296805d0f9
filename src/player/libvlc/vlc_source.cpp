#include "player/libvlc/vlc_source.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/player/engine_protocol.h"
#include "player/libvlc/vlc_log_causes.h"

namespace qc {

namespace {

using Kind = EngineEvent::Kind;

constexpr libvlc_event_e kEvents[] = {libvlc_MediaPlayerOpening,    libvlc_MediaPlayerBuffering,
                                      libvlc_MediaPlayerPlaying,    libvlc_MediaPlayerPaused,
                                      libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError,
                                      libvlc_MediaPlayerESAdded,    libvlc_MediaPlayerVout};

// A source's input thread opens, reads and fails it, and writes its log: what that thread logged
// belongs to the source whose Opening it sent.
thread_local VlcSource* tlsSource = nullptr;
thread_local LogCause tlsCause;

void onLog(void*, int level, const libvlc_log_t*, const char* format, va_list args) {
    if (VlcSource* source = tlsSource) noteVlcLog(source, level, format, args);
}

}  // namespace

void noteVlcLog(VlcSource* source, int level, const char* format, va_list args) {
    char line[256];
    if (level >= LIBVLC_WARNING) {
        std::vsnprintf(line, sizeof line, format, args);
        LogCause cause = causeOfLogLine(line);
        if (cause.cause != EngineEvent::Cause::Other && tlsCause.cause == EngineEvent::Cause::Other) tlsCause = cause;
    } else if (std::strncmp(format, "using %s module", 15) == 0) {
        std::vsnprintf(line, sizeof line, format, args);
        // Its access has opened: the server answered.
        if (std::strncmp(line, "using access module", 19) == 0 && !source->accessOpened_.exchange(true)) {
            EngineEvent life;
            life.kind = Kind::Life;
            source->emit(life);
        }
    }
}

void installVlcLog(const LibVlc& api, libvlc_instance_t* vlc) { api.libvlc_log_set(vlc, onLog, nullptr); }

VlcSource::VlcSource(const LibVlc& api, libvlc_instance_t* vlc, int slot, std::uint32_t generation, Hooks hooks)
    : api_(api), vlc_(vlc), slot_(slot), generation_(generation), hooks_(std::move(hooks)) {}

VlcSource::~VlcSource() = default;

void VlcSource::emit(EngineEvent event) const {
    event.slot = slot_;
    event.generation = generation_;
    hooks_.event(event);
}

bool VlcSource::start(const std::string& location, const std::function<void(libvlc_media_player_t*)>& beforePlay) {
    mp_ = api_.libvlc_media_player_new(vlc_);
    if (!mp_) return false;
    beforePlay(mp_);
    api_.libvlc_video_set_callbacks(mp_, onLock, onUnlock, onDisplay, this);
    api_.libvlc_video_set_format_callbacks(mp_, onFormat, nullptr);
    libvlc_event_manager_t* events = api_.libvlc_media_player_event_manager(mp_);
    for (libvlc_event_e type : kEvents) api_.libvlc_event_attach(events, type, onEvent, this);
    libvlc_media_t* media = api_.libvlc_media_new_location(vlc_, location.c_str());
    if (!media) return false;
    api_.libvlc_media_player_set_media(mp_, media);
    api_.libvlc_media_release(media);
    return api_.libvlc_media_player_play(mp_) == 0;
}

void VlcSource::stopAndRelease() {
    if (!mp_) return;
    api_.libvlc_media_player_stop(mp_);
    api_.libvlc_media_player_release(mp_);
    mp_ = nullptr;
}

void VlcSource::setShown(bool on) {
    shown_ = on;
    if (on && !pictureWaiting_.exchange(true)) hooks_.picture(slot_, generation_);
}

void VlcSource::onEvent(const libvlc_event_t* e, void* self) {
    auto* s = static_cast<VlcSource*>(self);
    EngineEvent out;
    switch (e->type) {
    case libvlc_MediaPlayerOpening:
        tlsSource = s;
        tlsCause = {};
        out.kind = Kind::Opening;
        break;
    case libvlc_MediaPlayerBuffering:
        out.kind = Kind::Buffering;
        out.percent = std::clamp(static_cast<int>(e->u.media_player_buffering.new_cache), 0, 100);
        break;
    case libvlc_MediaPlayerESAdded: out.kind = Kind::Media; break;
    case libvlc_MediaPlayerVout:
        if (e->u.media_player_vout.new_count < 1) return;
        out.kind = Kind::Media;
        out.hasVideo = true;
        break;
    case libvlc_MediaPlayerPlaying: out.kind = Kind::Playing; break;
    case libvlc_MediaPlayerPaused: out.kind = Kind::Paused; break;
    case libvlc_MediaPlayerEndReached: out.kind = Kind::Ended; break;
    case libvlc_MediaPlayerEncounteredError: {
        out.kind = Kind::Failed;
        LogCause cause = tlsSource == s ? tlsCause : LogCause{};
        // It answered, and yet nothing could read what it sent.
        if (cause.cause == EngineEvent::Cause::Other && s->accessOpened_) cause.cause = EngineEvent::Cause::Unsupported;
        out.cause = cause.cause;
        out.httpStatus = cause.httpStatus;
        break;
    }
    default: return;
    }
    s->emit(out);
}

unsigned VlcSource::onFormat(void** self, char* chroma, unsigned* width, unsigned* height, unsigned* pitches,
                             unsigned* lines) {
    auto* s = static_cast<VlcSource*>(*self);
    if (*width == 0 || *height == 0) return 0;
    double w = *width, h = *height;
    // Larger pictures are scaled down by libvlc, their shape kept.
    const double scale = std::min({1.0, engine::kMaxFrameWidth / w, engine::kMaxFrameHeight / h});
    const unsigned outW = std::max(1u, static_cast<unsigned>(std::floor(w * scale)));
    const unsigned outH = std::max(1u, static_cast<unsigned>(std::floor(h * scale)));
    std::memcpy(chroma, "RV32", 4);
    *width = outW;
    *height = outH;
    pitches[0] = (outW * 4 + 31) & ~31u;
    lines[0] = (outH + 15) & ~15u;  // decoders may write whole macroblock rows
    auto frames = std::make_shared<Frames>();
    frames->width = static_cast<int>(outW);
    frames->height = static_cast<int>(outH);
    frames->pitch = static_cast<int>(pitches[0]);
    frames->scale = scale;
    for (auto& b : frames->buffer) b.assign(static_cast<std::size_t>(pitches[0]) * lines[0], 0);
    std::lock_guard lock(s->framesMutex_);
    s->frames_ = std::move(frames);
    s->newest_ = s->reading_ = s->writing_ = -1;
    return 1;  // one picture at a time in libvlc's hands; the three buffers rotate under it
}

void* VlcSource::onLock(void* self, void** planes) {
    auto* s = static_cast<VlcSource*>(self);
    std::lock_guard lock(s->framesMutex_);
    int free = 0;
    while (free == s->newest_ || free == s->reading_) ++free;
    s->writing_ = free;
    planes[0] = s->frames_->buffer[free].data();
    return reinterpret_cast<void*>(static_cast<std::intptr_t>(free + 1));
}

void VlcSource::onUnlock(void* self, void*, void* const*) {
    auto* s = static_cast<VlcSource*>(self);
    std::lock_guard lock(s->framesMutex_);
    s->writing_ = -1;
}

void VlcSource::onDisplay(void* self, void* picture) {
    auto* s = static_cast<VlcSource*>(self);
    {
        std::lock_guard lock(s->framesMutex_);
        s->newest_ = static_cast<int>(reinterpret_cast<std::intptr_t>(picture)) - 1;
    }
    ++s->pictures_;
    // The owner takes the newest when it gets to it: pictures it was too slow for are dropped.
    if (s->shown_ && !s->pictureWaiting_.exchange(true)) s->hooks_.picture(s->slot_, s->generation_);
}

bool VlcSource::withNewest(const std::function<void(const std::uint8_t*, int, int, int)>& use) {
    std::shared_ptr<Frames> frames;
    int index;
    {
        std::lock_guard lock(framesMutex_);
        pictureWaiting_ = false;
        if (newest_ < 0 || !frames_) return false;
        frames = frames_;
        index = reading_ = newest_;
    }
    if (frames->shownWidth == 0) {
        unsigned w = 0, h = 0;
        frames->shownWidth = frames->width;
        frames->shownHeight = frames->height;
        if (api_.libvlc_video_get_size(mp_, 0, &w, &h) == 0 && w > 0 && h > 0) {
            frames->shownWidth = std::clamp(static_cast<int>(w * frames->scale), 1, frames->width);
            frames->shownHeight = std::clamp(static_cast<int>(h * frames->scale), 1, frames->height);
        }
    }
    use(frames->buffer[index].data(), frames->shownWidth, frames->shownHeight, frames->pitch);
    std::lock_guard lock(framesMutex_);
    if (frames == frames_) reading_ = -1;
    return true;
}

}  // namespace qc
