#pragma once
// The games engine's memory, watched: the page's render process is read from /proc every few
// milliseconds, and a movie that takes it past its budget (core/games/engine_memory.h) is ended
// by ending that process. The page then loads afresh with the next movie.

#include <QObject>
#include <QTimer>
#include <functional>

#include "core/games/engine_memory.h"
#include "core/games/flash_sandbox.h"

class QWebEnginePage;

namespace qc {

// What a process holds of data (anonymous and shared memory, not its program's files, which the
// page cache keeps or drops whatever a movie does), proportionally shared (PSS), or resident where
// the kernel won't tell another process its PSS (a sandboxed renderer); 0 for one that is gone.
uint64_t processMemoryBytes(qint64 pid);
// Its resident set: never less than its PSS, and far cheaper to read.
uint64_t residentBytes(qint64 pid);

class EngineMemoryWatch : public QObject {
public:
    EngineMemoryWatch(QWebEnginePage* page, const FlashSandbox::Limits& limits, std::function<void()> ended,
                      QObject* parent);
    // The page has loaded, no movie yet: what its process holds now is the base.
    void pageLoaded();
    uint64_t base() const { return budget_.base(); }
    // Ends the page's process now, as the watch does past the budget; whether it held more than
    // half the budget.
    bool endPage();

private:
    void check();

    QWebEnginePage* page_;
    EngineMemory budget_;
    std::function<void()> ended_;  // the watch ended the page
    QTimer timer_;
};

}  // namespace qc
