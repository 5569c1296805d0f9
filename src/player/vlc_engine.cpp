#include "player/vlc_engine.h"

#include <QGuiApplication>

#include "core/app/version.h"
#include "player/libvlc/vlc_modules.h"
#include "shared/cache_folder.h"
#include "shared/lazy_library.h"

namespace qc {

namespace {

void bindVlc(Library& lib, VlcApi& a) {
    lib.bind(a.libvlc_audio_set_mute, "libvlc_audio_set_mute");
    lib.bind(a.libvlc_audio_set_volume, "libvlc_audio_set_volume");
    lib.bind(a.libvlc_event_attach, "libvlc_event_attach");
    lib.bind(a.libvlc_event_detach, "libvlc_event_detach");
    lib.bind(a.libvlc_media_new_location, "libvlc_media_new_location");
    lib.bind(a.libvlc_media_player_event_manager, "libvlc_media_player_event_manager");
    lib.bind(a.libvlc_media_player_get_length, "libvlc_media_player_get_length");
    lib.bind(a.libvlc_media_player_get_position, "libvlc_media_player_get_position");
    lib.bind(a.libvlc_media_player_get_state, "libvlc_media_player_get_state");
    lib.bind(a.libvlc_media_player_get_time, "libvlc_media_player_get_time");
    lib.bind(a.libvlc_media_player_is_seekable, "libvlc_media_player_is_seekable");
    lib.bind(a.libvlc_media_player_new, "libvlc_media_player_new");
    lib.bind(a.libvlc_media_player_play, "libvlc_media_player_play");
    lib.bind(a.libvlc_media_player_release, "libvlc_media_player_release");
    lib.bind(a.libvlc_media_player_set_media, "libvlc_media_player_set_media");
    lib.bind(a.libvlc_media_player_set_pause, "libvlc_media_player_set_pause");
    lib.bind(a.libvlc_media_player_set_position, "libvlc_media_player_set_position");
    lib.bind(a.libvlc_media_player_set_xwindow, "libvlc_media_player_set_xwindow");
    lib.bind(a.libvlc_media_player_stop, "libvlc_media_player_stop");
    lib.bind(a.libvlc_media_release, "libvlc_media_release");
    lib.bind(a.libvlc_new, "libvlc_new");
    lib.bind(a.libvlc_release, "libvlc_release");
    lib.bind(a.libvlc_set_user_agent, "libvlc_set_user_agent");
    lib.bind(a.libvlc_video_set_key_input, "libvlc_video_set_key_input");
    lib.bind(a.libvlc_video_set_mouse_input, "libvlc_video_set_mouse_input");
}

const VlcApi* loadVlc() {
    static const bool restricted = loadRestrictedEngineCore(QC_VLC_LIBDIR, programCacheFolder());
    (void)restricted;  // without it the engine has every module; the boundary's guard still holds
    return loadOnce<VlcApi>("libvlc.so.5", bindVlc);  // libvlc 3's soname
}

}  // namespace

std::future<VlcEngine> startVlcEngine(std::vector<std::string> args) {
    return std::async(std::launch::async, [args = std::move(args)] {
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        VlcEngine e;
        const VlcApi* api = loadVlc();
        if (!api) return e;
        VlcHandle<libvlc_instance_t> vlc(api->libvlc_new(static_cast<int>(argv.size()), argv.data()), {api});
        if (!vlc) return e;
        const std::string version(kVersion);
        api->libvlc_set_user_agent(vlc.get(), ("qingchuan " + version).c_str(), ("qingchuan/" + version).c_str());
        VlcHandle<libvlc_media_player_t> mp(api->libvlc_media_player_new(vlc.get()), {api});
        if (!mp) return e;
        e.api = api;
        e.vlc = std::move(vlc);
        e.mp = std::move(mp);
        return e;
    });
}

bool drawsIntoOwnWindow() { return QGuiApplication::platformName() == "xcb"; }

std::future<VlcEngine> startPlayerEngine(const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"--quiet", "--no-video-title-show", "--no-snapshot-preview", "--no-stats",
                                     "--no-lua"};
    if (drawsIntoOwnWindow()) args.push_back("--no-xlib");
    else args.insert(args.end(), {"--vout=vdummy", "--aout=adummy"});
    args.insert(args.end(), extra.begin(), extra.end());
    return startVlcEngine(std::move(args));
}

std::string engineLocation(const std::string& address) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : address) {
        if (c >= 0x80 || c == ' ') {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

}  // namespace qc
