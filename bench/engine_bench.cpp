// The media engine in the viewer's process (VlcMediaEngine) against the same engine in a process
// of its own (EngineProcess), in one run, alternating: start to ready, open to the first picture
// of a clip served on 127.0.0.1, and the memory (PSS of the viewer's side and the engine's
// process) with the clip playing. Each sample runs in a fresh process of this program, so that
// both pay for loading libvlc. Run in a network namespace with only loopback.
//
//   engine_bench [--runs=N]                 N samples of each (default 9), then medians and ratios
//   engine_bench --sample=inproc|process    one sample: "ready MS", "picture MS", "pss KB"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "clips.h"
#include "http_server.h"
#include "player/engine_process.h"
#include "player/libvlc/vlc_media_engine.h"
#include "proc_memory.h"

using qctest::waitUntil;

namespace {

constexpr int kBound = 30000;

struct Sink : qc::PictureSink {
    int pictures = 0;
    void picture(const std::uint8_t*, int, int, int) override { ++pictures; }
    void clearPicture() override {}
};

int sample(const std::string& mode, const std::string& url) {
    Sink sink;
    bool ready = false;
    QElapsedTimer t;
    t.start();
    std::unique_ptr<qc::MediaEngine> engine;
    if (mode == "inproc") {
        auto vlc = std::make_unique<qc::VlcMediaEngine>(
            [](qc::VlcMediaEngine::Task task) {
                QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
            },
            std::vector<std::string>{"--aout=adummy"});
        vlc->whenStarted([&](bool ok) { ready = ok; });
        engine = std::move(vlc);
    } else {
        auto process = std::make_unique<qc::EngineProcess>(QString::fromUtf8(QC_ENGINE), QStringList{"--aout=adummy"});
        process->start();
        qc::EngineProcess* p = process.get();
        engine = std::move(process);
        if (!waitUntil([&] { return p->ready(); }, kBound)) return 1;
        ready = true;
    }
    if (!waitUntil([&] { return ready; }, kBound)) return 1;
    const double readyMs = t.nsecsElapsed() / 1e6;
    engine->setPictureSink(&sink);
    engine->show(0);
    t.restart();
    engine->open(0, 1, url);
    if (!waitUntil([&] { return sink.pictures > 0; }, kBound)) return 1;
    const double pictureMs = t.nsecsElapsed() / 1e6;
    waitUntil([] { return false; }, 1500);  // playing for a while
    std::printf("ready %.2f\npicture %.2f\npss %ld\n", readyMs, pictureMs, qctest::memory().pssKb);
    return 0;
}

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int runs = 9;
    std::string mode, url;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) runs = std::max(1, std::atoi(argv[i] + 7));
        if (std::strncmp(argv[i], "--sample=", 9) == 0) mode = argv[i] + 9;
        if (std::strncmp(argv[i], "--url=", 6) == 0) url = argv[i] + 6;
    }
    if (!mode.empty()) return sample(mode, url);

    qctest::HttpServer server;
    server.route("/clip.wmv", {200, "video/x-ms-wmv", qctest::makeClip(6, "testsrc2")});
    std::map<std::string, std::map<std::string, std::vector<double>>> seen;  // mode → what → samples
    int failed = 0;
    for (int r = 0; r < runs; ++r) {
        for (const char* m : {"inproc", "process"}) {
            QProcess p;
            p.start(QCoreApplication::applicationFilePath(),
                    {QString("--sample=") + m, QString::fromStdString("--url=" + server.url("/clip.wmv"))});
            // The server answers on this thread's loop-free threads; only wait here.
            if (!p.waitForFinished(kBound * 2) || p.exitCode() != 0) {
                ++failed;
                continue;
            }
            for (const QByteArray& line : p.readAllStandardOutput().split('\n')) {
                const QList<QByteArray> f = line.split(' ');
                if (f.size() == 2) seen[m][f[0].toStdString()].push_back(f[1].toDouble());
            }
        }
    }
    if (failed) std::printf("engine: %d samples FAILED\n", failed);
    const std::pair<const char*, const char*> rows[] = {{"ready", "engine start to ready (ms)"},
                                                        {"picture", "open to first picture (ms)"},
                                                        {"pss", "PSS playing (KB)"}};
    for (const auto& [key, what] : rows) {
        const double in = median(seen["inproc"][key]), out = median(seen["process"][key]);
        std::printf("%-30s in-process median %9.1f, own process median %9.1f, ratio %.2f (%zu runs)\n", what, in, out,
                    in > 0 ? out / in : 0.0, seen["process"][key].size());
    }
    return failed ? 1 : 0;
}
