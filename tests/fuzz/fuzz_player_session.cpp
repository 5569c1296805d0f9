// Whatever the engine and the servers say, in any order and at any time: the session hands the
// engine only allowed addresses, in its slots, never more than it has, and never crashes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/player/player_session.h"
#include "core/player/source_chooser.h"
#include "fakes.h"

namespace {

struct Input {
    const uint8_t* data;
    size_t size, at = 0;
    bool more() const { return at < size; }
    int next(int n) { return more() ? data[at++] % n : 0; }
};

const std::vector<std::string> kEntries = {"mms://a.example/live",   "http://a.example/list.asx",
                                           "http://a.example/a.wmv", "http://a.example/live.asp?id=1",
                                           "mmst://a.example/p",     "file:///etc/passwd"};
const std::vector<std::string> kBodies = {
    "<asx><entry><ref href=\"mms://b.example/x\"/><ref href=\"http://c.example/y.wmv\"/></entry></asx>",
    "<asx><entry><ref href=\"http://a.example/list.asx\"/><ref href=\"file:///x\"/></entry></asx>",
    "[Reference]\r\nRef1=http://d.example/z.asf\r\nRef2=mms://e.example/w\r\n",
    std::string(100, '\x01'),
    "<asx><entry><ref href=\"udp://@:5555\"/></entry></asx>",
    ""};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in{data, size};
    qctest::FakeMediaEngine engine;
    qctest::FakeProber prober;
    std::int64_t now = 0;
    qc::PlayerSession session(engine, prober, [&] { return now; });
    for (int steps = 0; in.more() && steps < 2000; ++steps) {
        switch (in.next(9)) {
        case 0: session.setUrl(kEntries[in.next(static_cast<int>(kEntries.size()))]); break;
        case 1: {  // an event of some slot: open, closed, or of an older generation
            qc::EngineEvent e;
            e.kind = static_cast<qc::EngineEvent::Kind>(in.next(9));
            e.slot = in.next(qc::MediaEngine::kSlots);
            const auto* s = engine.source(e.slot);
            e.generation = s && in.next(4) ? s->generation : static_cast<std::uint32_t>(in.next(50));
            e.cause = static_cast<qc::EngineEvent::Cause>(in.next(8));
            e.httpStatus = in.next(2) ? 404 : 500;
            e.percent = in.next(101);
            e.timeMs = in.next(100) * 100;
            e.lengthMs = in.next(2) ? 0 : 60000;
            e.pictures = in.next(30);
            e.hasVideo = in.next(2);
            e.seekable = in.next(2);
            engine.send(e);
            break;
        }
        case 2:
        case 3: {  // some fetch under way hears from its server
            std::vector<std::string> live;
            for (const std::string& a : prober.fetched)
                if (prober.isFetching(a)) live.push_back(a);
            if (live.empty()) break;
            const std::string& address = live[static_cast<std::size_t>(in.next(static_cast<int>(live.size())))];
            qc::FetchReport r;
            const int kind = in.next(6);
            r.status = kind == 0 ? 0 : kind == 1 ? 302 : kind == 2 ? 404 : 200;
            if (kind == 0) r.failure = static_cast<qc::FetchReport::Failure>(in.next(6));
            if (kind == 1) r.location = in.next(2) ? "mms://f.example/r" : "file:///etc/passwd";
            if (kind == 3) r.server = "Cougar/9";
            const std::string& body = kBodies[static_cast<std::size_t>(in.next(static_cast<int>(kBodies.size())))];
            r.body = body;
            r.complete = in.next(3) != 0;
            prober.report(address, r);
            break;
        }
        case 4:
        case 5:
            now += in.next(8) * 500;
            session.tick();
            break;
        case 6: session.stop(); break;
        case 7: session.playPause(); break;
        case 8:
            if (in.next(8) == 0) engine.lose();
            else session.seek(in.next(11) / 10.0);
            break;
        }
        if (engine.openCount() > qc::MediaEngine::kSlots || session.inFlight() > qc::MediaEngine::kSlots) std::abort();
    }
    for (const std::string& a : engine.opened)
        if (!qc::isAllowedAddress(a)) std::abort();
    return 0;
}
