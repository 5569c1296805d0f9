// The media engine on the real libvlc: clips made here, served on 127.0.0.1; events and pictures
// arrive on the test's own thread, which stands for the viewer's.

#include "player/libvlc/vlc_media_engine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>

#include "clips.h"
#include "http_server.h"
#include "player/libvlc/vlc_log_causes.h"

using namespace qctest;
using qc::EngineEvent;
using Kind = EngineEvent::Kind;
using Cause = EngineEvent::Cause;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBound = 15000;  // generous: the machine is shared

// The owner's thread: tasks posted from libvlc's threads run here when the test pumps.
class Owner {
public:
    qc::VlcMediaEngine::Post post() {
        return [this](qc::VlcMediaEngine::Task t) {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(t));
            wake_.notify_one();
        };
    }
    // Runs tasks until `done()` or `ms` have passed; returns done().
    bool pumpUntil(const std::function<bool()>& done, int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (!done()) {
            std::unique_lock lock(mutex_);
            if (!wake_.wait_until(lock, end, [&] { return !tasks_.empty(); })) return done();
            auto task = std::move(tasks_.front());
            tasks_.pop_front();
            lock.unlock();
            task();
        }
        return true;
    }
    void pumpFor(int ms) {
        pumpUntil([] { return false; }, ms);
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<qc::VlcMediaEngine::Task> tasks_;
};

struct Sink : qc::PictureSink {
    int pictures = 0, clears = 0, width = 0, height = 0;
    int litPixels = 0;                  // of the last picture: pixels that are not black
    std::uint8_t probe[3] = {0, 0, 0};  // B, G, R at (probeX, probeY) of the last picture
    double probeX = 0, probeY = 0;
    void picture(const std::uint8_t* px, int w, int h, int pitch) override {
        ++pictures;
        width = w;
        height = h;
        litPixels = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const std::uint8_t* p = px + y * pitch + x * 4;
                if (p[0] > 40 || p[1] > 40 || p[2] > 40) ++litPixels;
            }
        const std::uint8_t* p = px + static_cast<int>(probeY * h) * pitch + static_cast<int>(probeX * w) * 4;
        std::copy(p, p + 3, probe);
    }
    void clearPicture() override { ++clears; }
};

class VlcMediaEngineTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new HttpServer;
        server->route("/clip.wmv", {200, "video/x-ms-wmv", makeClip(8)});
        server->route("/bars.wmv", {200, "video/x-ms-wmv", makeClip(8, "smptebars")});
        Reply stall;
        stall.mode = Reply::Mode::Stall;
        server->route("/stall", stall);
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void SetUp() override {
        engine = std::make_unique<qc::VlcMediaEngine>(owner.post(), std::vector<std::string>{"--aout=adummy"});
        engine->setListener([this](const EngineEvent& e) { events.push_back(e); });
        engine->setPictureSink(&sink);
    }
    void TearDown() override { engine.reset(); }

    bool saw(int slot, std::uint32_t generation, Kind kind) const {
        for (const auto& e : events)
            if (e.slot == slot && e.generation == generation && e.kind == kind) return true;
        return false;
    }
    bool waitFor(int slot, std::uint32_t generation, Kind kind, int ms = kBound) {
        return owner.pumpUntil([&] { return saw(slot, generation, kind); }, ms);
    }
    const EngineEvent* first(int slot, std::uint32_t generation, Kind kind) const {
        for (const auto& e : events)
            if (e.slot == slot && e.generation == generation && e.kind == kind) return &e;
        return nullptr;
    }
    const EngineEvent* last(int slot, std::uint32_t generation, Kind kind) const {
        for (auto it = events.rbegin(); it != events.rend(); ++it)
            if (it->slot == slot && it->generation == generation && it->kind == kind) return &*it;
        return nullptr;
    }
    std::size_t indexOf(int slot, std::uint32_t generation, Kind kind) const {
        for (std::size_t i = 0; i < events.size(); ++i)
            if (events[i].slot == slot && events[i].generation == generation && events[i].kind == kind) return i;
        return events.size();
    }

    static HttpServer* server;
    Owner owner;
    Sink sink;
    std::vector<EngineEvent> events;
    std::unique_ptr<qc::VlcMediaEngine> engine;
};

HttpServer* VlcMediaEngineTest::server = nullptr;

TEST_F(VlcMediaEngineTest, PlaysAClipWithItsPicturesAndProgress) {
    engine->show(0);
    engine->open(0, 7, server->url("/bars.wmv"));
    // The bars' second from the left is yellow: red and green, no blue.
    sink.probeX = 1.5 / 7;
    sink.probeY = 0.25;
    ASSERT_TRUE(owner.pumpUntil(
        [&] {
            const EngineEvent* p = last(0, 7, Kind::Progress);
            return sink.pictures >= 5 && p && p->timeMs > 0 && saw(0, 7, Kind::Playing);
        },
        kBound))
        << sink.pictures << " pictures, " << events.size() << " events";
    EXPECT_LT(indexOf(0, 7, Kind::Opening), indexOf(0, 7, Kind::Life));
    EXPECT_LT(indexOf(0, 7, Kind::Life), indexOf(0, 7, Kind::Media));
    EXPECT_EQ(sink.width, 160);
    EXPECT_EQ(sink.height, 120);
    EXPECT_GT(sink.litPixels, 160 * 120 / 2);
    EXPECT_LT(sink.probe[0], 100) << "blue";
    EXPECT_GT(sink.probe[1], 130) << "green";
    EXPECT_GT(sink.probe[2], 130) << "red";
    const EngineEvent* p = last(0, 7, Kind::Progress);
    EXPECT_TRUE(p->hasVideo);
    EXPECT_GT(p->pictures, 0);
    EXPECT_NEAR(p->lengthMs, 8000, 1000);
    // Paused, then on, then the end.
    engine->pause(0, true);
    ASSERT_TRUE(waitFor(0, 7, Kind::Paused));
    engine->pause(0, false);
    engine->seek(0, 0.9);
    ASSERT_TRUE(waitFor(0, 7, Kind::Ended));
    for (const auto& e : events) EXPECT_EQ(e.generation, 7u);
}

TEST_F(VlcMediaEngineTest, AReopenedSlotNeverShowsEventsOfItsEarlierSources) {
    engine->show(0);
    engine->open(0, 1, server->url("/clip.wmv"));
    ASSERT_TRUE(waitFor(0, 1, Kind::Playing));
    // Replaced while playing, then again and again while opening.
    engine->open(0, 2, server->url("/bars.wmv"));
    const std::size_t replaced = events.size();
    owner.pumpFor(30);
    engine->open(0, 3, server->url("/stall"));
    engine->open(0, 4, server->url("/clip.wmv"));
    const std::size_t last = events.size();
    ASSERT_TRUE(owner.pumpUntil([&] { return saw(0, 4, Kind::Progress) && sink.pictures > 3; }, kBound));
    for (std::size_t i = replaced; i < events.size(); ++i) {
        EXPECT_NE(events[i].generation, 1u) << "event " << static_cast<int>(events[i].kind);
        if (i >= last) EXPECT_EQ(events[i].generation, 4u) << "event " << static_cast<int>(events[i].kind);
    }
}

TEST_F(VlcMediaEngineTest, TwoSlotsPlayAtOnceAndOnlyTheShownOneIsSeen) {
    engine->open(0, 1, server->url("/clip.wmv"));
    engine->open(1, 1, server->url("/clip.wmv"));  // the same server answers both
    engine->show(1);
    ASSERT_TRUE(waitFor(0, 1, Kind::Media));
    ASSERT_TRUE(waitFor(1, 1, Kind::Media));
    ASSERT_TRUE(owner.pumpUntil([&] { return sink.pictures > 3 && saw(1, 1, Kind::Progress); }, kBound));
    EXPECT_FALSE(saw(0, 1, Kind::Progress)) << "progress only of the source shown";
    EXPECT_FALSE(saw(0, 1, Kind::Failed));
    EXPECT_FALSE(saw(1, 1, Kind::Failed));
    // The other one now: the picture is cleared, then its pictures come.
    const int clears = sink.clears, before = sink.pictures;
    engine->show(0);
    EXPECT_EQ(sink.clears, clears + 1);
    ASSERT_TRUE(owner.pumpUntil([&] { return sink.pictures > before + 3 && saw(0, 1, Kind::Progress); }, kBound));
    // Shown back and forth, fast: each keeps getting its pictures.
    for (int i = 0; i < 5; ++i) {
        engine->show(0);
        engine->show(1);  // before slot 0's newest picture was taken
        owner.pumpFor(15);
    }
    engine->show(0);
    const int back = sink.pictures;
    ASSERT_TRUE(owner.pumpUntil([&] { return sink.pictures > back + 3; }, kBound));
    // Closing the one not shown leaves the shown one playing.
    engine->close(1);
    const int after = sink.pictures;
    ASSERT_TRUE(owner.pumpUntil([&] { return sink.pictures > after + 3; }, kBound));
    EXPECT_FALSE(saw(0, 1, Kind::Failed));
}

TEST_F(VlcMediaEngineTest, FailuresSayWhatHappened) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(refusedPort()) + "/clip.wmv";
    engine->open(0, 1, refused);
    engine->open(1, 1, server->url("/missing.wmv"));
    engine->open(2, 1, "mmsh://127.0.0.1:" + std::to_string(refusedPort()) + "/live");
    engine->open(3, 1, "");
    for (int slot = 0; slot < 4; ++slot) ASSERT_TRUE(waitFor(slot, 1, Kind::Failed)) << slot;
    EXPECT_EQ(first(0, 1, Kind::Failed)->cause, Cause::Refused);
    EXPECT_EQ(first(1, 1, Kind::Failed)->cause, Cause::HttpStatus);
    EXPECT_EQ(first(1, 1, Kind::Failed)->httpStatus, 404);
    EXPECT_TRUE(saw(1, 1, Kind::Opening));
    EXPECT_EQ(first(2, 1, Kind::Failed)->cause, Cause::Refused);
    EXPECT_EQ(first(3, 1, Kind::Failed)->cause, Cause::Unsupported);  // never handed to libvlc
    EXPECT_FALSE(saw(0, 1, Kind::Life));
}

TEST_F(VlcMediaEngineTest, ClosingASourceThatHangsReturnsAtOnce) {
    engine->show(0);
    engine->open(0, 1, server->url("/stall"));
    ASSERT_TRUE(waitFor(0, 1, Kind::Opening));
    owner.pumpFor(200);
    const auto t0 = Clock::now();
    engine->close(0);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
    EXPECT_LT(took, 500) << "the caller's thread waited on libvlc";
    const std::size_t closed = events.size();
    // The slot takes the next source at once, as if nothing hung.
    engine->open(0, 2, server->url("/clip.wmv"));
    ASSERT_TRUE(waitFor(0, 2, Kind::Playing));
    for (std::size_t i = closed; i < events.size(); ++i) EXPECT_EQ(events[i].generation, 2u);
    EXPECT_FALSE(saw(0, 1, Kind::Life)) << "a server that never answered showed life";
}

TEST(VlcLogCauses, TheLinesLibvlcWritesNameTheirCause) {
    using qc::causeOfLogLine;
    EXPECT_EQ(causeOfLogLine("connection failed: Connection refused").cause, Cause::Refused);
    EXPECT_EQ(causeOfLogLine("connection failed: Network is unreachable").cause, Cause::Unreachable);
    EXPECT_EQ(causeOfLogLine("connection failed: No route to host").cause, Cause::Unreachable);
    EXPECT_EQ(causeOfLogLine("cannot resolve nowhere.example port 80 : Name or service not known").cause,
              Cause::HostNotFound);
    EXPECT_EQ(causeOfLogLine("connection failed: Connection timed out").cause, Cause::TimedOut);
    EXPECT_EQ(causeOfLogLine("HTTP 404 error").httpStatus, 404);
    EXPECT_EQ(causeOfLogLine("error: HTTP/1.1 503 Service Unavailable").httpStatus, 503);
    EXPECT_EQ(causeOfLogLine("error: HTTP/1.1 200 OK").cause, Cause::Other);
    EXPECT_EQ(causeOfLogLine("HTTP 4040 error").cause, Cause::Other);
    EXPECT_EQ(causeOfLogLine("HTTP/1.").cause, Cause::Other);
    EXPECT_EQ(causeOfLogLine("").cause, Cause::Other);
}

}  // namespace
