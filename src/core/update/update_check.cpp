#include "core/update/update_check.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "core/text/gbk.h"

namespace qc {

namespace {

struct Plan {
    std::string descriptorPath;
    std::string updaterPath;
    std::string runningTag;
};

// Address, paths and tag are all worked out before any transfer begins.
Plan plan(const UpdateHost& host) {
    const std::string folder = host.executableFolder();
    return {folder + std::string(kDescriptorFileName), folder + std::string(kUpdaterFileName),
            versionTag(host.caption())};
}

enum class Outcome { DownloadFailed, Equal, Different };

Outcome check(UpdatePorts& p, const Plan& plan) {
    if (!p.download.DownloadFile(p.address, plan.descriptorPath)) return Outcome::DownloadFailed;
    // Errors while loading are not the check's to handle: they reach the handler's error box.
    loadFromFile(p.m, plan.descriptorPath);
    return descriptorTag(p.m.text()) == plan.runningTag ? Outcome::Equal : Outcome::Different;
}

// The boxes offer no way to decline: however the box was closed, the hand-over follows.
void handOver(UpdatePorts& p, const Plan& plan) {
    p.host.closeMainWindow();
    p.launcher.startDetached(plan.updaterPath);
}

[[noreturn]] void fileError(const std::string& what, const std::string& path, int err) {
    throw std::runtime_error(what + " \"" + path + "\". " + std::strerror(err));
}

}  // namespace

std::string versionTag(std::string_view captionUtf8) {
    const std::string gbk = utf8ToGbk(captionUtf8);
    if (gbk.size() <= 16) return {};
    return gbk.substr(16, 4);
}

std::string memoTextOf(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            out += c;
        }
    }
    return out;
}

void loadFromFile(Memo& m, const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) fileError("Cannot open file", path, errno);
    std::string bytes;
    char buf[8192];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            fileError("Cannot read file", path, err);
        }
        bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    m.setText(memoTextOf(bytes));
}

std::string descriptorTag(std::string_view memoText) { return std::string(memoText.substr(0, 4)); }

void interactiveCheck(UpdatePorts& p) {
    const Plan pl = plan(p.host);
    switch (check(p, pl)) {
    case Outcome::DownloadFailed:
        p.boxes.show(MessageKind::Information, std::string(kDownloadFailedText));
        return;
    case Outcome::Equal:
        p.boxes.show(MessageKind::Information, std::string(kUpToDateText));
        return;
    case Outcome::Different:
        p.boxes.show(MessageKind::Confirmation, std::string(kAskToUpdateText));
        handOver(p, pl);
        return;
    }
}

void silentCheck(UpdatePorts& p, Timer& Timer1) {
    // First, so the silent check runs once per run whatever happens after it.
    Timer1.disable();
    const Plan pl = plan(p.host);
    if (check(p, pl) != Outcome::Different) return;
    p.boxes.show(MessageKind::Confirmation, std::string(kNewVersionText));
    handOver(p, pl);
}

}  // namespace qc
