#pragma once
// Whether a page that hasn't answered yet is stuck in a movie's script, or only slow. A main
// thread that never slept through a whole look is running a script without end (a page at work
// sleeps between frames); one that slept is waiting on a loaded machine, and is given longer, up
// to a bound. Its sleeps are what the system counted (voluntary context switches), or -1.

namespace qc {

class PageAnswer {
public:
    static constexpr int kLookMs = 300;    // a page at work answers within a frame or two
    static constexpr int kBoundMs = 3000;  // and however loaded the machine, within this

    enum class Verdict { Wait, End };

    explicit PageAnswer(long sleeps) : sleeps_(sleeps) {}
    // One look, kLookMs after the last (or the question).
    Verdict look(long sleeps) {
        waitedMs_ += kLookMs;
        const bool slept = sleeps >= 0 && sleeps_ >= 0 && sleeps != sleeps_;
        sleeps_ = sleeps;
        return slept && waitedMs_ < kBoundMs ? Verdict::Wait : Verdict::End;
    }

private:
    long sleeps_;
    int waitedMs_ = 0;
};

}  // namespace qc
