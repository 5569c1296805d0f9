#include "player/libvlc/vlc_api.h"

#include "player/libvlc/vlc_modules.h"
#include "shared/cache_folder.h"
#include "shared/lazy_library.h"

namespace qc {

namespace {

void bindAll(Library& lib, LibVlc& a) {
    lib.bind(a.libvlc_new, "libvlc_new");
    lib.bind(a.libvlc_release, "libvlc_release");
    lib.bind(a.libvlc_set_user_agent, "libvlc_set_user_agent");
    lib.bind(a.libvlc_log_set, "libvlc_log_set");
    lib.bind(a.libvlc_log_unset, "libvlc_log_unset");
    lib.bind(a.libvlc_event_attach, "libvlc_event_attach");
    lib.bind(a.libvlc_media_new_location, "libvlc_media_new_location");
    lib.bind(a.libvlc_media_release, "libvlc_media_release");
    lib.bind(a.libvlc_media_player_new, "libvlc_media_player_new");
    lib.bind(a.libvlc_media_player_release, "libvlc_media_player_release");
    lib.bind(a.libvlc_media_player_event_manager, "libvlc_media_player_event_manager");
    lib.bind(a.libvlc_media_player_set_media, "libvlc_media_player_set_media");
    lib.bind(a.libvlc_media_player_play, "libvlc_media_player_play");
    lib.bind(a.libvlc_media_player_stop, "libvlc_media_player_stop");
    lib.bind(a.libvlc_media_player_set_pause, "libvlc_media_player_set_pause");
    lib.bind(a.libvlc_media_player_set_position, "libvlc_media_player_set_position");
    lib.bind(a.libvlc_media_player_get_time, "libvlc_media_player_get_time");
    lib.bind(a.libvlc_media_player_get_length, "libvlc_media_player_get_length");
    lib.bind(a.libvlc_media_player_get_position, "libvlc_media_player_get_position");
    lib.bind(a.libvlc_media_player_is_seekable, "libvlc_media_player_is_seekable");
    lib.bind(a.libvlc_media_player_has_vout, "libvlc_media_player_has_vout");
    lib.bind(a.libvlc_audio_set_mute, "libvlc_audio_set_mute");
    lib.bind(a.libvlc_audio_set_volume, "libvlc_audio_set_volume");
    lib.bind(a.libvlc_video_set_callbacks, "libvlc_video_set_callbacks");
    lib.bind(a.libvlc_video_set_format_callbacks, "libvlc_video_set_format_callbacks");
    lib.bind(a.libvlc_video_get_size, "libvlc_video_get_size");
}

}  // namespace

const LibVlc* libVlc() {
    static const bool restricted = loadRestrictedEngineCore(QC_VLC_LIBDIR, programCacheFolder());
    (void)restricted;  // without it the engine has every module; the boundary's guard still holds
    return loadOnce<LibVlc>("libvlc.so.5", bindAll);  // libvlc 3's soname
}

}  // namespace qc
