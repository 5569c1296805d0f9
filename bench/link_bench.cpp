// Time to picture on emulated far, bad and terrible links (qc-netem on lo, in the namespace of
// tests/isolated.sh): the viewer's player given a catalogue-style entry against plain libvlc
// given the final media address, on the same link in the same run, alternating. A ratio near 1
// means the player's own work (fetching playlists, racing sources) costs nothing on that link.
// For a playlist, plain libvlc is also given the playlist itself, as VLC plays one (its own
// playlist reader and list player): that fetch is the link's, whoever makes it.
// Usage: link-bench [--runs=N] [--profiles=far,bad,terrible] [--cases=WORD] (the cases whose name
// holds WORD)

#include <vlc/vlc.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
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

// Plain libvlc given a playlist: its list player reads it and plays the first entry.
class PlainList {
public:
    PlainList() {
        const char* args[] = {"--aout=adummy", "--quiet"};
        vlc_ = libvlc_new(2, args);
    }
    ~PlainList() {
        if (vlc_) libvlc_release(vlc_);
    }
    PlainList(const PlainList&) = delete;
    PlainList& operator=(const PlainList&) = delete;
    bool started() const { return vlc_ != nullptr; }

    // Milliseconds to the first picture, or -1.
    double play(const std::string& address, int boundMs) {
        pictures_ = 0;
        libvlc_media_list_t* list = libvlc_media_list_new(vlc_);
        libvlc_media_t* m = libvlc_media_new_location(vlc_, address.c_str());
        libvlc_media_list_add_media(list, m);
        libvlc_media_release(m);
        libvlc_media_player_t* mp = libvlc_media_player_new(vlc_);
        libvlc_video_set_callbacks(mp, lock, nullptr, display, this);
        libvlc_video_set_format(mp, "RV32", kWidth, kHeight, kWidth * 4);
        libvlc_media_list_player_t* lp = libvlc_media_list_player_new(vlc_);
        libvlc_media_list_player_set_media_player(lp, mp);
        libvlc_media_list_player_set_media_list(lp, list);
        QElapsedTimer t;
        t.start();
        libvlc_media_list_player_play(lp);
        const bool ok = qctest::waitUntil([&] { return pictures_ > 0; }, boundMs);
        const double ms = ok ? t.elapsed() : -1;
        libvlc_media_list_player_stop(lp);
        libvlc_media_list_player_release(lp);
        libvlc_media_player_release(mp);
        libvlc_media_list_release(list);
        return ms;
    }

private:
    static constexpr unsigned kWidth = 320, kHeight = 240;
    static void* lock(void* self, void** planes) {
        *planes = static_cast<PlainList*>(self)->frame_.data();
        return nullptr;
    }
    static void display(void* self, void*) { ++static_cast<PlainList*>(self)->pictures_; }

    libvlc_instance_t* vlc_ = nullptr;
    std::vector<unsigned char> frame_ = std::vector<unsigned char>(kWidth * kHeight * 4);
    std::atomic<int> pictures_{0};
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
    std::string only;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a.starts_with("--runs=")) runs = std::max(1, std::stoi(a.substr(7)));
        if (a.starts_with("--cases=")) only = a.substr(8);
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

    // The servers: a clip and a playlist over http, a live point over MMSH (VLC's own output,
    // its clip looped: the whole run takes longer than the clip).
    qctest::HttpServer http;
    http.route("/clip.wmv", {200, "video/x-ms-wmv", qctest::makeClip(20)});
    http.route("/play.asp?id=1", {200, "video/x-ms-wmv", qctest::makeClip(20)});  // a script's answer
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
                "--loop", longClip, QString("--sout=#std{access=mmsh,mux=asfh,dst=127.0.0.1:%1/live}").arg(mmshPort)});
    if (!qctest::waitUntil([&] { return qctest::answersWithBody(mmshPort, "/live"); }, 20000)) {
        std::fprintf(stderr, "link-bench: the MMSH server did not start\n");
        return 1;
    }
    const std::string live = "127.0.0.1:" + std::to_string(mmshPort) + "/live";
    struct Case {
        const char* name;
        std::string entry;  // what the viewer is given
        std::string media;  // what plain libvlc is given
        std::string list;   // and its list player, for a playlist
    };
    const std::vector<Case> cases = {
        {"http .wmv", http.url("/clip.wmv"), http.url("/clip.wmv"), {}},
        {"script -> .wmv", http.url("/play.asp?id=1"), http.url("/play.asp?id=1"), {}},
        {"asx -> http .wmv", http.url("/list.asx"), http.url("/clip.wmv"), http.url("/list.asx")},
        {"mms:// live point", "mms://" + live, "mmsh://" + live, {}}};

    qc::VlcMediaEngine viewerEngine(qc::postToQt(), {"--aout=adummy"});
    qc::VlcMediaEngine plainEngine(qc::postToQt(), {"--aout=adummy"});
    PlainList plainList;
    if (!qc::engineStarted(viewerEngine) || !qc::engineStarted(plainEngine) || !plainList.started()) return 1;
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

    std::printf("%-9s %-20s %12s %12s %7s %14s %7s\n", "link", "entry", "viewer ms", "libvlc ms", "ratio",
                "vlc list ms", "ratio");
    for (const std::string& profile : profiles) {
        qctest::LinkSettings settings;
        settings.profile = profile;
        auto link = std::make_unique<qctest::LinkEmulator>(settings);
        for (const Case& c : cases) {
            if (std::string(c.name).find(only) == std::string::npos) continue;
            std::vector<double> ours, theirs, lists;
            int failed = 0;
            for (int r = 0; r < runs; ++r) {
                double a = viewer(c.entry), b = plain(c.media);  // alternating, same link
                double l = c.list.empty() ? 0 : plainList.play(c.list, kBoundMs);
                if (a < 0 || b < 0 || l < 0) ++failed;
                if (a >= 0) ours.push_back(a);
                if (b >= 0) theirs.push_back(b);
                if (l > 0) lists.push_back(l);
            }
            const double mo = median(ours), mt = median(theirs), ml = median(lists);
            std::printf("%-9s %-20s %12.0f %12.0f %7.2f", profile.c_str(), c.name, mo, mt,
                        mo > 0 && mt > 0 ? mo / mt : -1.0);
            if (c.list.empty()) std::printf(" %14s %7s", "-", "-");
            else std::printf(" %14.0f %7.2f", ml, mo > 0 && ml > 0 ? mo / ml : -1.0);
            std::printf("%s\n", failed ? "  (some runs FAILED)" : "");
            std::fflush(stdout);
        }
        link->stop();
    }
    mmsh.terminate();
    if (!mmsh.waitForFinished(5000)) mmsh.kill();
    return 0;
}
