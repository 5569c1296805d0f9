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
    std::string runningTag;
};

// Address, path and tag are all worked out before any transfer begins.
Plan plan(UpdatePorts& p) { return {descriptorPath(p.folders), versionTag(p.host.caption())}; }

enum class Outcome { DownloadFailed, Equal, Different };

Outcome check(UpdatePorts& p, const Plan& plan) {
    // Nowhere to keep the file fails as a download does: one message covers every cause.
    if (plan.descriptorPath.empty()) return Outcome::DownloadFailed;
    if (!p.download.DownloadFile(p.address, plan.descriptorPath)) return Outcome::DownloadFailed;
    // Errors while loading are not the check's to handle: they reach the handler's error box.
    loadFromFile(p.m, plan.descriptorPath);
    return descriptorTag(p.m.text()) == plan.runningTag ? Outcome::Equal : Outcome::Different;
}

// The boxes offer no way to decline: however the box was closed, the hand-over follows.
void handOver(UpdatePorts& p) {
    p.host.closeMainWindow();
    p.launcher.startDetached(updaterPath(p.folders));
}

[[noreturn]] void fileError(const std::string& what, const std::string& path, int err) {
    throw std::runtime_error(what + " \"" + path + "\". " + std::strerror(err));
}

}  // namespace

std::string descriptorPath(UpdateFolders& folders) {
    std::string folder = folders.executableFolder();
    // An installed copy's folder belongs to the system; the user's cache is the user's own.
    if (!folders.canWriteTo(folder)) {
        folder = folders.cacheFolder();
        if (!folders.makeFolder(folder)) return {};
    }
    return folder + std::string(kDescriptorFileName);
}

std::string updaterPath(const UpdateFolders& folders) {
    const std::string beside = folders.executableFolder() + std::string(kUpdaterFileName);
    if (folders.isFile(beside)) return beside;
    const std::string packaged = folders.privateLibraryFolder() + std::string(kUpdaterFileName);
    return folders.isFile(packaged) ? packaged : beside;
}

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
    const Plan pl = plan(p);
    switch (check(p, pl)) {
    case Outcome::DownloadFailed: p.boxes.show(MessageKind::Information, std::string(kDownloadFailedText)); return;
    case Outcome::Equal: p.boxes.show(MessageKind::Information, std::string(kUpToDateText)); return;
    case Outcome::Different:
        p.boxes.show(MessageKind::Confirmation, std::string(kAskToUpdateText));
        handOver(p);
        return;
    }
}

void silentCheck(UpdatePorts& p, Timer& Timer1) {
    // First, so the silent check runs once per run whatever happens after it.
    Timer1.disable();
    const Plan pl = plan(p);
    if (check(p, pl) != Outcome::Different) return;
    p.boxes.show(MessageKind::Confirmation, std::string(kNewVersionText));
    handOver(p);
}

}  // namespace qc
