// Time to picture on emulated far, bad and terrible links (qc-netem on lo, in the namespace of
// tests/isolated.sh): the viewer's player given a catalogue-style entry against plain libvlc
// given the final media address, on the same link in the same run, alternating. A ratio near 1
// means the player's own work (fetching playlists, racing sources) costs nothing on that link.
// Usage: link-bench [--runs=N] [--profiles=far,bad,terrible]

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "clips.h"
#include "files.h"
#include "http_server.h"
#include "link_emulator.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/player_control.h"
#include "player/qt_post.h"

namespace {

constexpr int kBoundMs = 60000;

// Counts pictures, as the baseline's sink.
struct Counter : qc::PictureSink {
    int pictures = 0;
    void picture(const std::uint8_t*, int, int, int) override { ++pictures; }
    void clearPicture() override {}
};

double median(std::vector<double> v) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 3;
    std::vector<std::string> profiles = {"far", "bad", "terrible"};
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.starts_with("--runs=")) runs = std::max(1, std::stoi(a.substr(7)));
        if (a.starts_with("--profiles=")) {
            profiles.clear();
            std::string list = a.substr(11);
            for (std::size_t at = 0; at <= list.size();) {
                std::size_t comma = std::min(list.find(',', at), list.size());
                profiles.push_back(list.substr(at, comma - at));
                at = comma + 1;
            }
        }
    }
    QApplication app(argc, argv);

    // The servers: a clip and a playlist over http, a live point over MMSH (VLC's own output).
    qctest::HttpServer http;
    http.route("/clip.wmv", {200, "video/x-ms-wmv", qctest::makeClip(20)});
    http.route("/list.asx",
               {200, "video/x-ms-asf",
                "<asx version=\"3.0\"><entry><ref href=\"" + http.url("/clip.wmv") + "\"/></entry></asx>"});
    QTemporaryDir dir;
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
    const QString longClip = dir.filePath("long.wmv");
    qctest::writeFile(longClip.toStdString(), qctest::makeClip(600));
    QFile::setPermissions(longClip, QFileDevice::ReadOwner | QFileDevice::ReadOther);
    const int mmshPort = qctest::refusedPort();
    QProcess mmsh;
    mmsh.start("setpriv",
               {"--reuid=nobody", "--regid=nogroup", "--clear-groups", "cvlc", "-I", "dummy", "--no-lua", "--quiet",
                longClip, QString("--sout=#std{access=mmsh,mux=asfh,dst=127.0.0.1:%1/live}").arg(mmshPort)});
    if (!qctest::waitUntil([&] { return qctest::answersWithBody(mmshPort, "/live"); }, 20000)) {
        std::fprintf(stderr, "link-bench: the MMSH server did not start\n");
        return 1;
    }
    const std::string live = "127.0.0.1:" + std::to_string(mmshPort) + "/live";
    struct Case {
        const char* name;
        std::string entry;  // what the viewer is given
        std::string media;  // what plain libvlc is given
    };
    const std::vector<Case> cases = {{"http .wmv", http.url("/clip.wmv"), http.url("/clip.wmv")},
                                     {"asx -> http .wmv", http.url("/list.asx"), http.url("/clip.wmv")},
                                     {"mms:// live point", "mms://" + live, "mmsh://" + live}};

    qc::VlcMediaEngine viewerEngine(qc::postToQt(), {"--aout=adummy"});
    qc::VlcMediaEngine plainEngine(qc::postToQt(), {"--aout=adummy"});
    if (!qc::engineStarted(viewerEngine) || !qc::engineStarted(plainEngine)) return 1;
    QWidget window;
    window.resize(389, 305);
    auto* player = new qc::TWindowsMediaPlayer(&window, viewerEngine);
    player->resize(389, 305);
    window.show();
    Counter counter;
    plainEngine.setPictureSink(&counter);
    std::uint32_t generation = 0;

    auto viewer = [&](const std::string& entry) -> double {
        QElapsedTimer t;
        t.start();
        player->setUrl(entry);
        bool ok = qctest::waitUntil([&] { return player->playState() == qc::kPlaying; }, kBoundMs);
        double ms = ok ? t.elapsed() : -1;
        player->setUrl("");
        qctest::waitUntil([] { return false; }, 300);  // let the engine settle
        return ms;
    };
    auto plain = [&](const std::string& media) -> double {
        counter.pictures = 0;
        QElapsedTimer t;
        t.start();
        plainEngine.open(0, ++generation, media);
        plainEngine.show(0);
        bool ok = qctest::waitUntil([&] { return counter.pictures > 0; }, kBoundMs);
        double ms = ok ? t.elapsed() : -1;
        plainEngine.close(0);
        qctest::waitUntil([] { return false; }, 300);  // let the engine settle
        return ms;
    };

    std::printf("%-9s %-20s %12s %12s %7s\n", "link", "entry", "viewer ms", "libvlc ms", "ratio");
    for (const std::string& profile : profiles) {
        qctest::LinkSettings settings;
        settings.profile = profile;
        auto link = std::make_unique<qctest::LinkEmulator>(settings);
        for (const Case& c : cases) {
            std::vector<double> ours, theirs;
            int failed = 0;
            for (int r = 0; r < runs; ++r) {
                double a = viewer(c.entry), b = plain(c.media);  // alternating, same link
                if (a < 0 || b < 0) ++failed;
                if (a >= 0) ours.push_back(a);
                if (b >= 0) theirs.push_back(b);
            }
            const double mo = median(ours), mt = median(theirs);
            std::printf("%-9s %-20s %12.0f %12.0f %7.2f%s\n", profile.c_str(), c.name, mo, mt,
                        mo > 0 && mt > 0 ? mo / mt : -1.0, failed ? "  (some runs FAILED)" : "");
            std::fflush(stdout);
        }
        link->stop();
    }
    mmsh.terminate();
    if (!mmsh.waitForFinished(5000)) mmsh.kill();
    return 0;
}
