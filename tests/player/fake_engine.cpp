// A media engine process that says what a broken or hostile one would, for the viewer's adapter:
// Ready, then, by its argument, a Format whose memory is wrong, descriptors where none belong, or
// a good Format and Frame followed by a Frame out of range. Then it waits to be ended.

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/player/engine_protocol.h"

using namespace qc::engine;

namespace {

constexpr int kSocket = 3;

void send(const Message& m, std::vector<int> fds = {}) {
    const std::string bytes = encode(m);
    iovec io{const_cast<char*>(bytes.data()), bytes.size()};
    msghdr msg{};
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int) * 4)];
    if (!fds.empty()) {
        msg.msg_control = control;
        msg.msg_controllen = CMSG_SPACE(sizeof(int) * fds.size());
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = SOL_SOCKET;
        c->cmsg_type = SCM_RIGHTS;
        c->cmsg_len = CMSG_LEN(sizeof(int) * fds.size());
        std::memcpy(CMSG_DATA(c), fds.data(), sizeof(int) * fds.size());
    }
    (void)!::sendmsg(kSocket, &msg, MSG_NOSIGNAL);
}

int memory(std::uint64_t bytes, bool sealed) {
    const int fd = ::memfd_create("fake", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    (void)!::ftruncate(fd, static_cast<off_t>(bytes));
    if (sealed) ::fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW);
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    constexpr int w = 64, h = 48, pitch = w * 4;
    const std::uint64_t enough = frameBytes(pitch, h) * kFrameBuffers;
    const Message format{.kind = Kind::Format, .a = w, .b = h, .c = pitch};
    send({.kind = Kind::Ready, .a = kProtocolVersion, .b = 1});
    if (mode == "unsealed") send(format, {memory(enough, false)});
    if (mode == "small") send(format, {memory(enough - 1, true)});
    if (mode == "pipe") {
        int p[2];
        (void)!::pipe(p);
        send(format, {p[0]});
    }
    if (mode == "two-descriptors") send(format, {memory(enough, true), memory(enough, true)});
    if (mode == "descriptor-on-an-event") send({.kind = Kind::Playing, .generation = 1}, {memory(enough, true)});
    if (mode == "good-then-out-of-range") {
        const int fd = memory(enough, true);
        void* map = ::mmap(nullptr, enough, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        std::memset(map, 0x80, enough);
        send(format, {fd});
        send({.kind = Kind::Frame, .generation = 1, .a = 1, .b = 1});
        char answer[kMaxMessage];
        (void)!::recv(kSocket, answer, sizeof answer, 0);  // FrameDone, after the viewer took it
        send({.kind = Kind::Frame, .generation = 1, .a = kFrameBuffers, .b = 1});
    }
    ::pause();
}
