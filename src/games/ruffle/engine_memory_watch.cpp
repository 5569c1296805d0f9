#include "games/ruffle/engine_memory_watch.h"

#include <signal.h>
#include <unistd.h>

#include <QWebEnginePage>
#include <fstream>
#include <optional>
#include <string>

#include "shared/guard.h"

namespace qc {

namespace {

// The value of `key` in a /proc file of "Key:  value kB" lines, in bytes; nothing when unreadable.
std::optional<uint64_t> kbField(const std::string& file, const std::string& key) {
    std::ifstream in(file);
    std::string k;
    uint64_t v = 0;
    while (in >> k) {
        if (k == key) {
            if (in >> v) return v * 1024;
            return std::nullopt;
        }
        in.ignore(1 << 16, '\n');
    }
    return std::nullopt;
}

}  // namespace

uint64_t processMemoryBytes(qint64 pid) {
    if (pid <= 0) return 0;
    const std::string dir = "/proc/" + std::to_string(pid);
    if (auto pss = kbField(dir + "/smaps_rollup", "Pss:")) return *pss;
    return residentBytes(pid);
}

uint64_t residentBytes(qint64 pid) {
    if (pid <= 0) return 0;
    std::ifstream statm("/proc/" + std::to_string(pid) + "/statm");
    uint64_t size = 0, resident = 0;
    if (!(statm >> size >> resident)) return 0;
    return resident * uint64_t(::sysconf(_SC_PAGESIZE));
}

EngineMemoryWatch::EngineMemoryWatch(QWebEnginePage* page, const FlashSandbox::Limits& limits,
                                     std::function<void()> ended, QObject* parent)
    : QObject(parent), page_(page), budget_(limits.engineBytes), ended_(std::move(ended)) {
    timer_.setInterval(limits.memoryCheckMs);
    connectGuarded(&timer_, &QTimer::timeout, this, [this] { check(); });
}

void EngineMemoryWatch::pageLoaded() {
    budget_.pageLoaded(processMemoryBytes(page_->renderProcessPid()));
#ifndef QINGCHUAN_NO_MEMORY_WATCH  // a build for the benchmarks' baseline only
    timer_.start();
#endif
}

void EngineMemoryWatch::check() {
    const qint64 pid = page_->renderProcessPid();
    // The resident set is read in a few microseconds, PSS in milliseconds (7.7 ms for 300 MB,
    // measured: 8 % of a core at this rate); PSS is never more, so it is read only near the bound.
    if (pid <= 0 || !budget_.overBudget(residentBytes(pid)) || !budget_.overBudget(processMemoryBytes(pid))) return;
    // Ended at once, with no chance to take more: the page reports its end as any crash.
    ::kill(pid_t(pid), SIGKILL);
    timer_.stop();
    ended_();
}

}  // namespace qc
