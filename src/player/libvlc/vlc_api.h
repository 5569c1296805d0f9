#pragma once
// libvlc, loaded on first use (no Qt: the engine's own process uses it too), restricted to the
// modules core/player/engine_modules allows where that can be arranged.

#include <vlc/vlc.h>

namespace qc {

// The libvlc functions the media engine uses.
struct LibVlc {
    decltype(&::libvlc_new) libvlc_new = nullptr;
    decltype(&::libvlc_release) libvlc_release = nullptr;
    decltype(&::libvlc_set_user_agent) libvlc_set_user_agent = nullptr;
    decltype(&::libvlc_log_set) libvlc_log_set = nullptr;
    decltype(&::libvlc_log_unset) libvlc_log_unset = nullptr;
    decltype(&::libvlc_event_attach) libvlc_event_attach = nullptr;
    decltype(&::libvlc_media_new_location) libvlc_media_new_location = nullptr;
    decltype(&::libvlc_media_release) libvlc_media_release = nullptr;
    decltype(&::libvlc_media_player_new) libvlc_media_player_new = nullptr;
    decltype(&::libvlc_media_player_release) libvlc_media_player_release = nullptr;
    decltype(&::libvlc_media_player_event_manager) libvlc_media_player_event_manager = nullptr;
    decltype(&::libvlc_media_player_set_media) libvlc_media_player_set_media = nullptr;
    decltype(&::libvlc_media_player_play) libvlc_media_player_play = nullptr;
    decltype(&::libvlc_media_player_stop) libvlc_media_player_stop = nullptr;
    decltype(&::libvlc_media_player_set_pause) libvlc_media_player_set_pause = nullptr;
    decltype(&::libvlc_media_player_set_position) libvlc_media_player_set_position = nullptr;
    decltype(&::libvlc_media_player_get_time) libvlc_media_player_get_time = nullptr;
    decltype(&::libvlc_media_player_get_length) libvlc_media_player_get_length = nullptr;
    decltype(&::libvlc_media_player_get_position) libvlc_media_player_get_position = nullptr;
    decltype(&::libvlc_media_player_is_seekable) libvlc_media_player_is_seekable = nullptr;
    decltype(&::libvlc_media_player_has_vout) libvlc_media_player_has_vout = nullptr;
    decltype(&::libvlc_audio_set_mute) libvlc_audio_set_mute = nullptr;
    decltype(&::libvlc_audio_set_volume) libvlc_audio_set_volume = nullptr;
    decltype(&::libvlc_video_set_callbacks) libvlc_video_set_callbacks = nullptr;
    decltype(&::libvlc_video_set_format_callbacks) libvlc_video_set_format_callbacks = nullptr;
    decltype(&::libvlc_video_get_size) libvlc_video_get_size = nullptr;
};

// Loads libvlc once (thread-safe); null when it or one of its functions is missing. The first
// call also loads the private engine core that sees the allowed modules only.
const LibVlc* libVlc();

}  // namespace qc
