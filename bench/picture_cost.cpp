// What drawing the picture costs: libvlc drawing into a native X window of ours (its own video
// output) against libvlc's frames painted by the player's own widget, on the same clip, in a
// fresh process each. Prints the process's CPU time per picture shown while it plays, and its
// memory (PSS) at the end.
//
//   picture_cost --native|--frames CLIP-URL SECONDS   (the engine opens network addresses only)

#include <dlfcn.h>
#include <vlc/vlc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "player/libvlc/vlc_api.h"
#include "player/libvlc/vlc_media_engine.h"
#include "player/video_surface.h"

namespace {

constexpr int kWidth = 400, kHeight = 300;  // about the designed player's picture

double cpuMs() {  // this process, every thread
    QFile f("/proc/self/stat");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray s = f.readAll();
    const QList<QByteArray> fields = s.mid(s.lastIndexOf(')') + 2).split(' ');
    // utime and stime: fields 14 and 15 of the whole line, 12 and 13 after the name.
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) * 1000.0 / sysconf(_SC_CLK_TCK);
}

double pssMb() {
    QFile f("/proc/self/smaps_rollup");
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Pss:")) return line.mid(4).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

void run(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
}

// Counts what the widget was handed, and hands it on.
class CountingSurface final : public qc::PictureSink {
public:
    explicit CountingSurface(qc::VideoSurface& surface) : surface_(surface) {}
    void picture(const std::uint8_t* pixels, int width, int height, int pitch) override {
        ++pictures;
        surface_.picture(pixels, width, height, pitch);
    }
    void clearPicture() override { surface_.clearPicture(); }
    long pictures = 0;

private:
    qc::VideoSurface& surface_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4 || (std::strcmp(argv[1], "--native") && std::strcmp(argv[1], "--frames"))) {
        std::fprintf(stderr, "usage: picture_cost --native|--frames CLIP-URL SECONDS\n");
        return 2;
    }
    const bool native = !std::strcmp(argv[1], "--native");
    const std::string location = argv[2];
    const int seconds = std::atoi(argv[3]);
    QApplication app(argc, argv);
    QWidget window;
    window.resize(kWidth, kHeight);
    qc::VideoSurface surface(&window);
    surface.setGeometry(0, 0, kWidth, kHeight);
    window.show();
    run(500);

    double before = 0;
    long pictures = 0;
    if (native) {
        // The library as the player loads it (its allowed modules only), with the functions of
        // its own window beside the engine's.
        if (!qc::libVlc()) return 1;
        void* lib = dlopen("libvlc.so.5", RTLD_NOW | RTLD_NOLOAD);
        if (!lib) return 1;
        auto fn = [lib](const char* name) { return dlsym(lib, name); };
#define QC_BIND(f) const auto f = reinterpret_cast<decltype(&::f)>(fn(#f))
        QC_BIND(libvlc_new);
        QC_BIND(libvlc_media_player_new);
        QC_BIND(libvlc_media_new_location);
        QC_BIND(libvlc_media_player_set_media);
        QC_BIND(libvlc_media_player_set_xwindow);
        QC_BIND(libvlc_media_player_play);
        QC_BIND(libvlc_media_get_stats);
        QC_BIND(libvlc_media_player_stop);
        QC_BIND(libvlc_media_release);
        QC_BIND(libvlc_media_player_release);
        QC_BIND(libvlc_release);
#undef QC_BIND
        // The options the player had while libvlc drew into a window of its.
        const char* args[] = {"--quiet",   "--no-video-title-show", "--no-snapshot-preview", "--no-lua",
                              "--no-xlib", "--aout=adummy"};
        libvlc_instance_t* vlc = libvlc_new(6, args);
        libvlc_media_player_t* mp = libvlc_media_player_new(vlc);
        libvlc_media_t* m = libvlc_media_new_location(vlc, location.c_str());
        libvlc_media_player_set_media(mp, m);
        libvlc_media_player_set_xwindow(mp, static_cast<std::uint32_t>(surface.winId()));
        libvlc_media_player_play(mp);
        run(1000);  // opened, decoding
        libvlc_media_stats_t stats{};
        libvlc_media_get_stats(m, &stats);
        const long shownBefore = stats.i_displayed_pictures;
        before = cpuMs();
        run(seconds * 1000);
        const double used = cpuMs() - before;
        libvlc_media_get_stats(m, &stats);
        pictures = stats.i_displayed_pictures - shownBefore;
        std::printf("native %ld pictures, cpu %.3f ms a picture, pss %.1f MB\n", pictures,
                    pictures ? used / pictures : -1.0, pssMb());
        libvlc_media_player_stop(mp);
        libvlc_media_release(m);
        libvlc_media_player_release(mp);
        libvlc_release(vlc);
    } else {
        qc::VlcMediaEngine engine(
            [&app](qc::VlcMediaEngine::Task task) {
                QMetaObject::invokeMethod(&app, std::move(task), Qt::QueuedConnection);
            },
            {"--aout=adummy"});
        CountingSurface sink(surface);
        engine.setPictureSink(&sink);
        engine.setListener([](const qc::EngineEvent&) {});
        engine.open(0, 1, location);
        engine.show(0);
        run(1000);
        const long countedBefore = sink.pictures;
        before = cpuMs();
        run(seconds * 1000);
        const double used = cpuMs() - before;
        pictures = sink.pictures - countedBefore;
        std::printf("frames %ld pictures, cpu %.3f ms a picture, pss %.1f MB\n", pictures,
                    pictures ? used / pictures : -1.0, pssMb());
        engine.close(0);
    }
    return pictures > 0 ? 0 : 1;
}
