// The media engine in its own process, through the viewer's adapter: clips served on 127.0.0.1,
// an engine killed mid-play, fake engines that speak nonsense, a server whose MMSH header never
// ends, and what the engine's confinement still lets it do.

#include "player/engine_process.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "clips.h"
#include "core/player/engine_protocol.h"
#include "http_server.h"
#include "proc_memory.h"

using namespace qctest;
using qc::EngineEvent;
using Kind = EngineEvent::Kind;
using Cause = EngineEvent::Cause;

namespace {

constexpr int kBound = 15000;  // generous: the machine is shared

struct Sink : qc::PictureSink {
    int pictures = 0, litPixels = 0, width = 0, height = 0;
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
    }
    void clearPicture() override {}
};

// A server that answers as a Windows Media server would over http, with a header (chunks of
// type $H) that never ends.
std::string headerChunk(std::size_t bytes) {
    std::string c = "$H";
    const auto le16 = [&](std::size_t v) {
        c += static_cast<char>(v & 0xFF);
        c += static_cast<char>((v >> 8) & 0xFF);
    };
    le16(bytes + 8);
    c += std::string(4, '\0');  // sequence
    le16(0);                    // unknown
    le16(bytes + 8);
    c += std::string(bytes, 'A');
    return c;
}

std::string statusField(pid_t pid, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(name + ":", 0) == 0) return line.substr(name.size() + 1);
    return {};
}

class EngineProcessTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new HttpServer;
        server->route("/clip.wmv", {200, "video/x-ms-wmv", makeClip(8)});
        Reply endless{.status = 200,
                      .contentType = "application/x-mms-framed",
                      .body = headerChunk(32000),
                      .repeatBody = 200000,  // 6 GB, were it ever read
                      .headers = {"Server: Cougar/9.01.01.3814", "Pragma: no-cache"},
                      .omitContentLength = true};
        server->route("/endless-header", endless);
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    void make(QString program = QString::fromUtf8(QC_ENGINE), QStringList arguments = {"--aout=adummy"}) {
        engine = std::make_unique<qc::EngineProcess>(program, arguments);
        engine->setListener([this](const EngineEvent& e) { events.push_back(e); });
        engine->setPictureSink(&sink);
    }
    void TearDown() override { engine.reset(); }
    bool saw(int slot, std::uint32_t generation, Kind kind) const {
        for (const auto& e : events)
            if (e.slot == slot && e.generation == generation && e.kind == kind) return true;
        return false;
    }
    bool lost() const {
        for (const auto& e : events)
            if (e.kind == Kind::Lost) return true;
        return false;
    }
    bool plays(std::uint32_t generation) {
        const int before = sink.pictures;
        engine->show(0);
        engine->open(0, generation, server->url("/clip.wmv"));
        const bool ok =
            waitUntil([&] { return saw(0, generation, Kind::Progress) && sink.pictures > before + 3; }, kBound);
        if (!ok) {
            std::string seen;
            for (const auto& e : events)
                seen += " " + std::to_string(static_cast<int>(e.kind)) + "/" + std::to_string(e.generation);
            ADD_FAILURE() << "events:" << seen << "; pictures " << sink.pictures - before;
        }
        return ok;
    }

    static HttpServer* server;
    Sink sink;
    std::vector<EngineEvent> events;
    std::unique_ptr<qc::EngineProcess> engine;
};

HttpServer* EngineProcessTest::server = nullptr;

TEST_F(EngineProcessTest, PlaysAClipFromAConfinedProcess) {
    make();
    EXPECT_EQ(engine->processId(), 0) << "started before it was needed";
    ASSERT_TRUE(plays(1));
    EXPECT_TRUE(saw(0, 1, Kind::Opening));
    EXPECT_TRUE(saw(0, 1, Kind::Media));
    EXPECT_EQ(sink.width, 160);
    EXPECT_EQ(sink.height, 120);
    EXPECT_GT(sink.litPixels, 160 * 120 / 2);
    const pid_t pid = engine->processId();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(statusField(pid, "NoNewPrivs"), "\t1");
    // Every thread, libvlc's included, is filtered.
    int threads = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
        ++threads;
        std::ifstream in(task.path() / "status");
        std::string line, seccomp;
        while (std::getline(in, line))
            if (line.rfind("Seccomp:", 0) == 0) seccomp = line;
        EXPECT_EQ(seccomp, "Seccomp:\t2") << task.path();
    }
    EXPECT_GT(threads, 3);
    // Over: the process goes with the adapter.
    engine.reset();
    EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; }, 2000));
}

TEST_F(EngineProcessTest, AKilledEngineIsLostAndTheNextOpenStartsAFreshOne) {
    make();
    ASSERT_TRUE(plays(1));
    const pid_t first = engine->processId();
    ::kill(first, SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return lost(); }, kBound));
    EXPECT_EQ(events.back().kind, Kind::Lost);
    ASSERT_TRUE(plays(2));
    EXPECT_NE(engine->processId(), first);
    EXPECT_FALSE(saw(0, 1, Kind::Ended));
}

TEST_F(EngineProcessTest, FourSourcesAtOnceFitTheEnginesBounds) {
    make();
    engine->show(3);
    for (int slot = 0; slot < 4; ++slot) engine->open(slot, 5, server->url("/clip.wmv"));
    ASSERT_TRUE(waitUntil(
        [&] {
            for (int slot = 0; slot < 4; ++slot)
                if (!saw(slot, 5, Kind::Media)) return false;
            return saw(3, 5, Kind::Progress) && sink.pictures > 3;
        },
        kBound));
    waitUntil([] { return false; }, 1000);
    EXPECT_FALSE(lost());
    for (int slot = 0; slot < 4; ++slot) EXPECT_FALSE(saw(slot, 5, Kind::Failed)) << slot;
}

TEST_F(EngineProcessTest, AnEngineThatSpeaksNonsenseIsLost) {
    QTemporaryDir dir;
    const auto file = [&](const QString& name, const std::string& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        return f.fileName();
    };
    using qc::engine::encode;
    using M = qc::engine::Kind;
    constexpr int kVersion = qc::engine::kProtocolVersion;
    const std::string ready = encode({.kind = M::Ready, .a = kVersion, .b = 1});
    // Each as one datagram (cat writes a small file whole), then the fake stays.
    const std::vector<std::pair<const char*, QString>> fakes = {
        {"garbage", file("garbage", "not a message at all, and longer than a head is: ............")},
        {"another version", file("v1", encode({.kind = M::Ready, .a = 1, .b = 1}))},
        {"an event before Ready", file("early", encode({.kind = M::Playing}))},
        {"a command of the viewer's", file("command", encode({.kind = M::Open, .text = "http://x/"}))},
        {"a picture without memory", file("frame", encode({.kind = M::Frame, .a = 0, .b = 1}))},
        {"a percent past 100", file("percent", encode({.kind = M::Buffering, .a = 101}))},
        {"a cause nobody knows", file("cause", encode({.kind = M::Failed, .a = 99}))},
    };
    for (const auto& [what, path] : fakes) {
        events.clear();
        const bool afterReady = std::string(what).find("picture") != std::string::npos ||
                                std::string(what).find("percent") != std::string::npos ||
                                std::string(what).find("cause") != std::string::npos;
        QString script = "cat \"$1\" >&3; exec sleep 30";
        if (afterReady) script = "cat \"$2\" >&3; cat \"$1\" >&3; exec sleep 30";
        make("/bin/sh", {"-c", script, "fake", path, file("ready", ready)});
        engine->open(0, 1, "http://127.0.0.1:1/");
        const pid_t pid = engine->processId();
        ASSERT_GT(pid, 0) << what;
        EXPECT_TRUE(waitUntil([&] { return lost(); }, kBound)) << what;
        EXPECT_TRUE(waitUntil([&] { return ::kill(pid, 0) != 0; }, 2000)) << what << ": still running";
    }
    // One that ends at once is lost too.
    events.clear();
    make("/bin/true", {});
    engine->open(0, 1, "http://127.0.0.1:1/");
    EXPECT_TRUE(waitUntil([&] { return lost(); }, kBound));
    // None at all: the open fails, later, as events come.
    events.clear();
    make("/nonexistent/qingchuan-engine", {});
    engine->open(0, 1, "http://127.0.0.1:1/");
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(waitUntil([&] { return saw(0, 1, Kind::Failed); }, kBound));
}

TEST_F(EngineProcessTest, PicturesOnlyInSealedMemoryOfTheRightSize) {
    for (const char* mode :
         {"unsealed", "small", "pipe", "two-descriptors", "descriptor-on-an-event", "good-then-out-of-range"}) {
        events.clear();
        sink = {};
        make(QString::fromUtf8(QC_FAKE_ENGINE), {mode});
        engine->show(0);
        engine->open(0, 1, "http://127.0.0.1:1/");
        EXPECT_TRUE(waitUntil([&] { return lost(); }, kBound)) << mode;
        if (std::string(mode) == "good-then-out-of-range") {
            EXPECT_EQ(sink.pictures, 1);
            EXPECT_EQ(sink.width, 64);
            EXPECT_EQ(sink.litPixels, 64 * 48);
        } else {
            EXPECT_EQ(sink.pictures, 0) << mode;
        }
    }
}

TEST_F(EngineProcessTest, AnEndlessMmshHeaderEndsTheSourceNotTheViewer) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's realloc copies the whole header each time: minutes to the bound";
#endif
    make();
    const long before = memory().rssKb;
    engine->open(0, 1, "mmsh://127.0.0.1:" + std::to_string(server->port()) + "/endless-header");
    QElapsedTimer t;
    t.start();
    long most = before, engineMost = 0;
    ASSERT_TRUE(waitUntil(
        [&] {
            most = std::max(most, memory().rssKb);
            if (const pid_t pid = engine->processId())
                engineMost = std::max(engineMost, std::atol(statusField(pid, "VmRSS").c_str()));
            return lost() || saw(0, 1, Kind::Failed);
        },
        30000));
    // The engine's own bound (its data is limited to 1 GiB) held too.
    EXPECT_LT(engineMost, 1100L * 1024) << "the engine grew to " << engineMost / 1024 << " MB";
    std::fprintf(stderr, "endless header: %s after %lld ms\n", lost() ? "engine lost" : "source refused",
                 static_cast<long long>(t.elapsed()));
    for (const auto& e : events) EXPECT_TRUE(e.kind != Kind::Failed || e.cause == Cause::TooLarge);
    const auto asked = server->requests();
    EXPECT_NE(std::find(asked.begin(), asked.end(), "GET /endless-header"), asked.end());
    EXPECT_LT(most - before, 64 * 1024) << "the viewer grew by " << (most - before) / 1024 << " MB";
    // And the next source plays, in this engine or a fresh one.
    ASSERT_TRUE(plays(2));
}

TEST(EngineSandbox, TheEngineCanNeitherExecNorOpenFilesOutsideWhatLibvlcNeeds) {
    QTemporaryDir dir;
    QFile secret(dir.filePath("secret"));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("x");
    secret.close();
    QProcess p;
    p.start(QString::fromUtf8(QC_ENGINE), {"--sandbox-self-test", secret.fileName()});
    ASSERT_TRUE(p.waitForFinished(10000));
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    EXPECT_TRUE(out.contains("seccomp: yes")) << out.toStdString();
    EXPECT_TRUE(out.contains("exec: denied")) << out.toStdString();
    EXPECT_TRUE(out.contains("listen: denied")) << out.toStdString();
    if (out.contains("landlock: no")) GTEST_SKIP() << "this kernel has no Landlock";
    EXPECT_TRUE(out.contains("file: denied")) << out.toStdString();
}

}  // namespace
