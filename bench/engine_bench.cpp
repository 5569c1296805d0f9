// The media engine in the viewer's process (VlcMediaEngine) against the same engine in a process
// of its own (EngineProcess), in one run, alternating: start to ready, open to the first picture
// of a clip served on 127.0.0.1, and, with a 720×576 25 fps clip playing, the memory (PSS of the
// viewer's side and the engine's process) and the CPU both take (percent of one core). Each sample runs in a fresh
// process of this program, so that both pay for loading libvlc. Run in a network namespace with only loopback.
//
//   engine_bench [--runs=N]                 N samples of each (default 9), then medians and ratios
//   engine_bench --sample=inproc|process    one sample: "ready MS", "picture MS", "pss KB", "cpu %"

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
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

// CPU time so far, in ms: this process, and the engine's where there is one.
double cpuMs(pid_t engine) {
    rusage self{};
    ::getrusage(RUSAGE_SELF, &self);
    double ms =
        (self.ru_utime.tv_sec + self.ru_stime.tv_sec) * 1e3 + (self.ru_utime.tv_usec + self.ru_stime.tv_usec) / 1e3;
    if (engine > 0) {
        std::ifstream in("/proc/" + std::to_string(engine) + "/stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream rest(stat.substr(stat.rfind(')') + 2));
        std::string field;
        double user = 0, system = 0;
        for (int i = 3; i <= 15 && rest >> field; ++i) {
            if (i == 14) user = std::stod(field);
            if (i == 15) system = std::stod(field);
        }
        ms += (user + system) * 1e3 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    return ms;
}

// A Windows Media clip of the catalogue's usual size: 720×576, 25 frames a second.
std::string makeBroadcastClip() {
    QTemporaryDir dir;
    const QString out = dir.filePath("clip.wmv");
    QProcess ffmpeg;
    ffmpeg.start("ffmpeg", {"-loglevel",
                            "error",
                            "-y",
                            "-f",
                            "lavfi",
                            "-i",
                            "testsrc2=size=720x576:rate=25",
                            "-f",
                            "lavfi",
                            "-i",
                            "sine=frequency=440:sample_rate=44100",
                            "-t",
                            "8",
                            "-c:v",
                            "wmv2",
                            "-b:v",
                            "1500k",
                            "-c:a",
                            "wmav2",
                            "-b:a",
                            "64k",
                            out});
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitCode() != 0) return {};
    QFile f(out);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

int sample(const std::string& mode, const std::string& url) {
    Sink sink;
    bool ready = false;
    QElapsedTimer t;
    t.start();
    std::unique_ptr<qc::MediaEngine> engine;
    pid_t enginePid = 0;
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
        enginePid = p->processId();
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
    waitUntil([] { return false; }, 1000);  // settled
    const double cpu0 = cpuMs(enginePid);
    t.restart();
    waitUntil([] { return false; }, 3000);
    const double cpu = (cpuMs(enginePid) - cpu0) * 100 / static_cast<double>(t.elapsed());
    std::printf("ready %.2f\npicture %.2f\npss %ld\ncpu %.1f\n", readyMs, pictureMs, qctest::memory().pssKb, cpu);
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
    const std::string clip = makeBroadcastClip();
    if (clip.empty()) {
        std::printf("engine: no clip (ffmpeg)\n");
        return 1;
    }
    server.route("/clip.wmv", {200, "video/x-ms-wmv", clip});
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
                                                        {"pss", "PSS playing 720x576 (KB)"},
                                                        {"cpu", "CPU playing 720x576 (% core)"}};
    for (const auto& [key, what] : rows) {
        const double in = median(seen["inproc"][key]), out = median(seen["process"][key]);
        std::printf("%-30s in-process median %9.1f, own process median %9.1f, ratio %.2f (%zu runs)\n", what, in, out,
                    in > 0 ? out / in : 0.0, seen["process"][key].size());
    }
    return failed ? 1 : 0;
}
