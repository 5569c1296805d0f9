#pragma once
// The player's session on a fake engine and a fake prober, by the clock.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/player/player_session.h"
#include "core/player/player_status.h"
#include "fakes.h"

namespace qctest {

using qc::EngineEvent;
using qc::PlayerStatus;
using Kind = qc::EngineEvent::Kind;
using Cause = qc::EngineEvent::Cause;

inline std::string asx(const std::vector<std::string>& refs) {
    std::string s = "<asx version=\"3.0\">";
    for (const auto& r : refs) s += "<entry><ref href=\"" + r + "\"/></entry>";
    return s + "</asx>";
}

inline EngineEvent buffering(int percent) {
    EngineEvent e{Kind::Buffering};
    e.percent = percent;
    return e;
}

inline EngineEvent progress(std::int64_t timeMs, std::int64_t pictures, std::int64_t lengthMs = 0) {
    EngineEvent e{Kind::Progress};
    e.timeMs = timeMs;
    e.pictures = pictures;
    e.lengthMs = lengthMs;
    e.hasVideo = true;
    e.seekable = lengthMs > 0;
    e.position = lengthMs > 0 ? double(timeMs) / lengthMs : 0;
    return e;
}

inline EngineEvent failed(Cause cause, int httpStatus = 0) {
    EngineEvent e{Kind::Failed};
    e.cause = cause;
    e.httpStatus = httpStatus;
    return e;
}

class Session : public ::testing::Test {
protected:
    FakeMediaEngine engine;
    FakeProber prober;
    std::int64_t now = 0;
    qc::PlayerSession session{engine, prober, [this] { return now; }};

    // Time passes as the adapter's timer sees it.
    void advance(std::int64_t ms) {
        for (std::int64_t end = now + ms; now < end;) {
            now = std::min(end, now + 100);
            session.tick();
        }
    }
    std::string status() const { return qc::statusText(session.status(), session.statusNumber()); }
    static std::string text(PlayerStatus s, int n = 0) { return qc::statusText(s, n); }
    // Media arrives at `location` and its pictures show.
    void plays(const std::string& location, std::int64_t lengthMs = 0) {
        engine.event(location, Kind::Media);
        engine.event(location, Kind::Playing);
        engine.event(location, progress(40, 1, lengthMs));
    }
    // Pictures keep coming for `ms`.
    void keepPlaying(const std::string& location, std::int64_t ms, std::int64_t lengthMs = 0) {
        for (std::int64_t t = 0; t < ms; t += 100) {
            advance(100);
            engine.event(location, progress(100 + t, 3 + t / 40, lengthMs));
        }
    }
};

inline const std::string kLive = "mms://tv.example/live";
inline const std::string kTwin = "mmsh://tv.example/live";

}  // namespace qctest
