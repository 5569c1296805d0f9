#include "player/engine/engine_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#include "player/engine/sandbox.h"
#include "player/libvlc/vlc_api.h"
#include "player/libvlc/vlc_media_engine.h"

namespace qc::engine {

namespace {

static_assert(static_cast<int>(Cause::TooLarge) == static_cast<int>(EngineEvent::Cause::TooLarge));

std::int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

Kind kindOf(EngineEvent::Kind k) {
    switch (k) {
    case EngineEvent::Kind::Opening: return Kind::Opening;
    case EngineEvent::Kind::Life: return Kind::Life;
    case EngineEvent::Kind::Buffering: return Kind::Buffering;
    case EngineEvent::Kind::Media: return Kind::Media;
    case EngineEvent::Kind::Playing: return Kind::Playing;
    case EngineEvent::Kind::Paused: return Kind::Paused;
    case EngineEvent::Kind::Ended: return Kind::Ended;
    case EngineEvent::Kind::Failed: return Kind::Failed;
    case EngineEvent::Kind::Progress: return Kind::Progress;
    case EngineEvent::Kind::Lost: break;
    }
    return Kind::Failed;
}

}  // namespace

EngineHost::EngineHost(int socket, std::vector<std::string> options)
    : socket_(socket), wake_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), options_(std::move(options)) {
    // A viewer that stops reading for this long has gone.
    timeval bound{2, 0};
    ::setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &bound, sizeof bound);
}

EngineHost::~EngineHost() {
    if (frames_) ::munmap(frames_, framesBytes_);
    ::close(wake_);
}

void EngineHost::post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
}

void EngineHost::runPosted() {
    std::uint64_t count;
    (void)!::read(wake_, &count, sizeof count);
    std::deque<std::function<void()>> tasks;
    {
        std::lock_guard lock(mutex_);
        tasks.swap(posted_);
    }
    for (auto& t : tasks) t();
}

int EngineHost::run() {
    // libvlc loaded (its module folder made in the user's cache) while files may still be written;
    // then confined before any thread starts, so that every thread the engine has is.
    (void)libVlc();
    confineProcess();
    engine_ = std::make_unique<VlcMediaEngine>([this](VlcMediaEngine::Task t) { post(std::move(t)); }, options_);
    engine_->setListener([this](const EngineEvent& e) { event(e); });
    engine_->setPictureSink(this);
    engine_->whenStarted([this](bool ok) {
        started_ = true;
        send({.kind = Kind::Ready, .a = kProtocolVersion, .b = ok ? 1 : 0});
    });
    while (!quit_) {
        pollfd fds[2] = {{wake_, POLLIN, 0}, {socket_, static_cast<short>(started_ ? POLLIN : 0), 0}};
        if (::poll(fds, 2, 250) < 0 && errno != EINTR) return 3;
        if (fds[0].revents & POLLIN) runPosted();
        if (fds[1].revents & (POLLHUP | POLLERR)) return 0;  // the viewer has gone
        if ((fds[1].revents & POLLIN) && !readCommands()) return quit_ ? 0 : 2;
        if (!watchMemory()) return 4;
    }
    return 0;
}

bool EngineHost::readCommands() {
    for (int i = 0; i < 64; ++i) {
        char buffer[kMaxMessage + 1];
        const ssize_t n = ::recv(socket_, buffer, sizeof buffer, MSG_DONTWAIT | MSG_TRUNC);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        if (n == 0 || static_cast<std::size_t>(n) > kMaxMessage) return false;
        auto m = decode(std::string_view(buffer, static_cast<std::size_t>(n)));
        if (!m || !handle(*m)) return false;
    }
    return true;
}

bool EngineHost::handle(const Message& m) {
    Slot& s = slots_[m.slot];
    switch (m.kind) {
    case Kind::Open:
        s = {.open = true, .media = false, .generation = m.generation};
        engine_->open(m.slot, m.generation, m.text);
        return true;
    case Kind::Show:
        shown_ = m.slot;
        engine_->show(m.slot);
        return true;
    case Kind::Close:
        s = {};
        engine_->close(m.slot);
        return true;
    case Kind::Pause: engine_->pause(m.slot, m.a != 0); return true;
    case Kind::Seek: engine_->seek(m.slot, m.number); return true;
    case Kind::Volume: engine_->setVolume(static_cast<int>(m.a)); return true;
    case Kind::Mute: engine_->setMute(m.a != 0); return true;
    case Kind::FrameDone:
        if (m.b == formatNumber_ && m.a >= 0 && m.a < kFrameBuffers) lent_[m.a] = false;
        return true;
    case Kind::Quit: quit_ = true; return false;
    default: return false;  // an engine's event, from the viewer
    }
}

void EngineHost::send(const Message& m, int fd) {
    const std::string bytes = encode(m);
    iovec io{const_cast<char*>(bytes.data()), bytes.size()};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    if (fd >= 0) {
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int));
        std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
    }
    if (::sendmsg(socket_, &msg, MSG_NOSIGNAL) < 0) quit_ = true;  // the viewer has gone or hangs
}

void EngineHost::event(const EngineEvent& e) {
    Slot& s = slots_[e.slot];
    if (e.kind == EngineEvent::Kind::Media) s.media = true;
    Message m{.kind = kindOf(e.kind), .slot = e.slot, .generation = e.generation};
    switch (e.kind) {
    case EngineEvent::Kind::Buffering: m.a = e.percent; break;
    case EngineEvent::Kind::Failed:
        m.a = static_cast<std::int64_t>(e.cause);
        m.b = e.httpStatus;
        break;
    case EngineEvent::Kind::Progress:
        m.a = e.timeMs;
        m.b = e.lengthMs;
        m.c = e.pictures;
        m.number = e.position;
        m.flags = static_cast<std::uint8_t>((e.seekable ? kSeekable : 0) | (e.hasVideo ? kHasVideo : 0));
        break;
    default: break;
    }
    send(m);
}

bool EngineHost::newFormat(int width, int height, int pitch) {
    if (frames_) ::munmap(frames_, framesBytes_);
    frames_ = nullptr;
    const std::uint64_t bytes = frameBytes(pitch, height) * kFrameBuffers;
    const int fd = ::memfd_create("qingchuan-pictures", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return false;
    void* map = MAP_FAILED;
    if (::ftruncate(fd, static_cast<off_t>(bytes)) == 0 &&
        ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_SEAL) == 0)
        map = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    frames_ = static_cast<std::uint8_t*>(map);
    framesBytes_ = bytes;
    width_ = width;
    height_ = height;
    pitch_ = pitch;
    lent_.fill(false);
    ++formatNumber_;
    send({.kind = Kind::Format, .slot = shown_, .a = width, .b = height, .c = pitch}, fd);
    ::close(fd);
    return true;
}

void EngineHost::picture(const std::uint8_t* pixels, int width, int height, int pitch) {
    if (shown_ < 0 || !isValidFormat(width, height, pitch, frameBytes(pitch, height) * kFrameBuffers)) return;
    if ((width != width_ || height != height_ || pitch != pitch_ || !frames_) && !newFormat(width, height, pitch))
        return;
    int free = 0;
    while (free < kFrameBuffers && lent_[free]) ++free;
    if (free == kFrameBuffers) return;  // the viewer is behind: this one is dropped
    std::memcpy(frames_ + frameBytes(pitch, height) * free, pixels, frameBytes(pitch, height));
    lent_[free] = true;
    send({.kind = Kind::Frame, .slot = shown_, .generation = slots_[shown_].generation, .a = free, .b = formatNumber_});
}

void EngineHost::clearPicture() {
    if (shown_ < 0) return;
    send({.kind = Kind::Frame, .slot = shown_, .generation = slots_[shown_].generation, .a = -1, .b = formatNumber_});
}

bool EngineHost::watchMemory() {
    const std::int64_t now = nowMs();
    if (now - watchedMs_ < 250) return true;
    watchedMs_ = now;
    if (residentBytes() < kMemoryWatch) {
        overSinceMs_ = -1;
        return true;
    }
    if (overSinceMs_ < 0) {
        overSinceMs_ = now;
        // What is still opening made it so (a header or playlist without end): refused.
        for (int i = 0; i < kSlots; ++i) {
            if (!slots_[i].open || slots_[i].media) continue;
            send({.kind = Kind::Failed,
                  .slot = i,
                  .generation = slots_[i].generation,
                  .a = static_cast<std::int64_t>(Cause::TooLarge)});
            slots_[i] = {};
            engine_->close(i);
        }
    }
    return now - overSinceMs_ < 2000;
}

}  // namespace qc::engine
