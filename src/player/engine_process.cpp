#include "player/engine_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cstring>

#include "shared/guard.h"
#include "shared/program_folders.h"

extern char** environ;

namespace qc {

using namespace engine;

namespace {

constexpr int kReadyBoundMs = 10000;  // libvlc's start, on a busy machine
constexpr int kMessagesAWake = 64;    // then the event loop's other work gets its turn

bool isEngineEvent(Kind k) { return k >= Kind::Ready; }

EngineEvent::Kind eventKind(Kind k) {
    switch (k) {
    case Kind::Opening: return EngineEvent::Kind::Opening;
    case Kind::Life: return EngineEvent::Kind::Life;
    case Kind::Buffering: return EngineEvent::Kind::Buffering;
    case Kind::Media: return EngineEvent::Kind::Media;
    case Kind::Playing: return EngineEvent::Kind::Playing;
    case Kind::Paused: return EngineEvent::Kind::Paused;
    case Kind::Ended: return EngineEvent::Kind::Ended;
    case Kind::Failed: return EngineEvent::Kind::Failed;
    default: return EngineEvent::Kind::Progress;
    }
}

}  // namespace

EngineProcess::EngineProcess(QString program, QStringList arguments, QObject* parent)
    : QObject(parent), program_(std::move(program)), arguments_(std::move(arguments)) {
    readyBound_.setSingleShot(true);
    connectGuarded(&readyBound_, &QTimer::timeout, this, [this] {
        if (!ready_) lose();
    });
    reaper_.setInterval(100);
    connectGuarded(&reaper_, &QTimer::timeout, this, [this] { reap(); });
}

EngineProcess::~EngineProcess() {
    endProcess();
    for (pid_t pid : ending_) ::waitpid(pid, nullptr, 0);  // killed: gone in a moment
}

QString EngineProcess::enginePath() {
    const QString beside = QCoreApplication::applicationDirPath() + "/qingchuan-engine";
    if (QFileInfo(beside).isExecutable()) return beside;
    return privateLibraryFolder() + "/qingchuan-engine";
}

void EngineProcess::start() {
    if (pid_) return;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) return;
    // The engine's end goes to descriptor 3, without close-on-exec; nothing else of ours goes along.
    int theirs = pair[1];
    if (theirs == 3) {
        theirs = ::fcntl(pair[1], F_DUPFD_CLOEXEC, 10);
        ::close(pair[1]);
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, theirs, 3);
    posix_spawn_file_actions_addclosefrom_np(&actions, 4);
    const QByteArray program = program_.toLocal8Bit();
    std::vector<QByteArray> args = {program};
    for (const QString& a : arguments_) args.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawn(&pid, program.constData(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(theirs);
    if (rc != 0) {
        ::close(pair[0]);
        return;
    }
    pid_ = pid;
    socket_ = pair[0];
    ::fcntl(socket_, F_SETFL, ::fcntl(socket_, F_GETFL) | O_NONBLOCK);
    notifier_ = std::make_unique<QSocketNotifier>(socket_, QSocketNotifier::Read);
    connectGuarded(notifier_.get(), &QSocketNotifier::activated, this, [this] { readMessages(); });
    readyBound_.start(kReadyBoundMs);
    send({.kind = Kind::Volume, .a = volume_});
    send({.kind = Kind::Mute, .a = muted_ ? 1 : 0});
    if (shown_ >= 0) send({.kind = Kind::Show, .slot = shown_});
}

bool EngineProcess::waitUntilStarted() {
    start();
    // Every way out posts an event: the Ready message, the engine's end, the ready bound.
    while (pid_ && !ready_) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return ready_ && libvlcStarted_;
}

void EngineProcess::send(const Message& m) {
    if (socket_ < 0) return;
    const std::string bytes = encode(m);
    // The socket holds thousands of commands: one that is full belongs to an engine that hangs.
    if (::send(socket_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL) != static_cast<ssize_t>(bytes.size()))
        lose();
}

void EngineProcess::open(int slot, std::uint32_t generation, const std::string& location) {
    if (slot < 0 || slot >= kSlots) return;
    start();
    slots_[slot] = {true, generation};
    if (!pid_ || location.size() > kMaxText) {
        // No engine could be started, or the address can't be said to it: said later, as events are.
        QMetaObject::invokeMethod(
            this,
            [this, slot, generation] {
                guarded([&] {
                    if (slots_[slot].open && slots_[slot].generation == generation && listener_)
                        listener_({.kind = EngineEvent::Kind::Failed, .slot = slot, .generation = generation});
                });
            },
            Qt::QueuedConnection);
        return;
    }
    send({.kind = Kind::Open, .slot = slot, .generation = generation, .text = location});
}

void EngineProcess::show(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    shown_ = slot;
    if (sink_) sink_->clearPicture();
    send({.kind = Kind::Show, .slot = slot});
}

void EngineProcess::close(int slot) {
    if (slot < 0 || slot >= kSlots) return;
    if (slots_[slot].open && slot == shown_ && sink_) sink_->clearPicture();
    slots_[slot] = {};
    send({.kind = Kind::Close, .slot = slot});
}

void EngineProcess::pause(int slot, bool on) {
    if (slot >= 0 && slot < kSlots) send({.kind = Kind::Pause, .slot = slot, .a = on ? 1 : 0});
}

void EngineProcess::seek(int slot, double position) {
    if (slot >= 0 && slot < kSlots && position >= 0 && position <= 1)
        send({.kind = Kind::Seek, .slot = slot, .number = position});
}

void EngineProcess::setVolume(int percent) {
    volume_ = std::clamp(percent, 0, 100);
    send({.kind = Kind::Volume, .a = volume_});
}

void EngineProcess::setMute(bool on) {
    muted_ = on;
    send({.kind = Kind::Mute, .a = on ? 1 : 0});
}

void EngineProcess::readMessages() {
    for (int i = 0; i < kMessagesAWake && socket_ >= 0; ++i) {
        char buffer[kMaxMessage + 1];
        iovec io{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(socket_, &msg, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        std::vector<int> fds;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); n >= 0 && c; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level != SOL_SOCKET || c->cmsg_type != SCM_RIGHTS) continue;
            const std::size_t count = (c->cmsg_len - CMSG_LEN(0)) / sizeof(int);
            for (std::size_t k = 0; k < count; ++k) {
                int fd;
                std::memcpy(&fd, CMSG_DATA(c) + k * sizeof(int), sizeof fd);
                fds.push_back(fd);
            }
        }
        std::optional<Message> m;
        const bool whole = n > 0 && !(msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC)) && fds.size() <= 1;
        if (whole) m = decode(std::string_view(buffer, static_cast<std::size_t>(n)));
        const bool ok = m && handle(*m, fds.empty() ? -1 : fds[0]);
        for (int fd : fds) ::close(fd);
        if (!ok) return lose();  // gone (n == 0), or nonsense
    }
}

bool EngineProcess::handle(const Message& m, int fd) {
    if (!isEngineEvent(m.kind) || (fd >= 0) != (m.kind == Kind::Format)) return false;
    if (m.kind == Kind::Ready) {
        if (ready_ || m.a != kProtocolVersion) return false;
        ready_ = true;
        libvlcStarted_ = m.b == 1;
        readyBound_.stop();
        return true;
    }
    if (!ready_) return false;
    if (m.kind == Kind::Format) return takeFormat(m, fd);
    if (m.kind == Kind::Frame) return takeFrame(m);
    EngineEvent e{.kind = eventKind(m.kind), .slot = m.slot, .generation = m.generation};
    switch (m.kind) {
    case Kind::Buffering:
        if (m.a < 0 || m.a > 100) return false;
        e.percent = static_cast<int>(m.a);
        break;
    case Kind::Failed:
        if (!isKnownCause(m.a) || m.b < 0 || m.b > 999) return false;
        e.cause = static_cast<EngineEvent::Cause>(m.a);
        e.httpStatus = static_cast<int>(m.b);
        break;
    case Kind::Progress:
        if (m.a < 0 || m.b < 0 || m.c < 0 || m.number < 0 || m.number > 1 || (m.flags & ~(kSeekable | kHasVideo)))
            return false;
        e.timeMs = m.a;
        e.lengthMs = m.b;
        e.pictures = m.c;
        e.position = m.number;
        e.seekable = m.flags & kSeekable;
        e.hasVideo = m.flags & kHasVideo;
        break;
    default: break;
    }
    // Of a source closed or replaced since: it crossed our command on the way.
    const Slot& s = slots_[m.slot];
    if (!s.open || s.generation != m.generation) return true;
    if (listener_) listener_(e);
    return true;
}

bool EngineProcess::takeFormat(const Message& m, int fd) {
    struct stat st {};
    const int seals = ::fcntl(fd, F_GET_SEALS);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || seals < 0 ||
        (seals & (F_SEAL_SHRINK | F_SEAL_GROW)) != (F_SEAL_SHRINK | F_SEAL_GROW) ||
        !isValidFormat(m.a, m.b, m.c, static_cast<std::uint64_t>(st.st_size)))
        return false;
    const auto bytes = frameBytes(m.c, m.b) * kFrameBuffers;
    void* map = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) return false;
    unmapFrames();
    frames_ = static_cast<const std::uint8_t*>(map);
    framesBytes_ = bytes;
    width_ = static_cast<int>(m.a);
    height_ = static_cast<int>(m.b);
    pitch_ = static_cast<int>(m.c);
    ++formatNumber_;
    return true;
}

bool EngineProcess::takeFrame(const Message& m) {
    if (m.a < -1 || m.a >= kFrameBuffers || m.b > formatNumber_ || m.b < 0) return false;
    if (m.b < formatNumber_ || m.a < 0) {
        // Of memory given up since, or nothing shown.
        if (m.a < 0 && m.slot == shown_ && sink_) sink_->clearPicture();
        return true;
    }
    if (!frames_) return false;
    const Slot& s = slots_[m.slot];
    if (sink_ && s.open && s.generation == m.generation && m.slot == shown_)
        sink_->picture(frames_ + frameBytes(pitch_, height_) * m.a, width_, height_, pitch_);
    send({.kind = Kind::FrameDone, .a = m.a, .b = m.b});
    return true;
}

void EngineProcess::lose() {
    if (!pid_) return;
    endProcess();
    slots_ = {};
    if (sink_) sink_->clearPicture();
    if (listener_) listener_({.kind = EngineEvent::Kind::Lost});
}

void EngineProcess::endProcess() {
    notifier_.reset();
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
    if (pid_) {
        ::kill(pid_, SIGKILL);
        ending_.push_back(pid_);
        reap();
    }
    pid_ = 0;
    ready_ = false;
    readyBound_.stop();
    unmapFrames();
    formatNumber_ = 0;  // a new engine counts its own
}

void EngineProcess::unmapFrames() {
    if (frames_) ::munmap(const_cast<std::uint8_t*>(frames_), framesBytes_);
    frames_ = nullptr;
    framesBytes_ = 0;
    width_ = height_ = pitch_ = 0;
}

void EngineProcess::reap() {
    std::erase_if(ending_, [](pid_t pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
    if (ending_.empty()) reaper_.stop();
    else if (!reaper_.isActive()) reaper_.start();
}

}  // namespace qc
