#pragma once
// libvlc, loaded on the engine's own thread rather than with the program, so that its loading and
// the engine's start (plugins, audio output) overlap the building of the windows.

#include <vlc/vlc.h>

#include <future>
#include <memory>
#include <string>
#include <vector>

namespace qc {

// The libvlc functions the player uses.
struct VlcApi {
    decltype(&::libvlc_audio_set_mute) libvlc_audio_set_mute = nullptr;
    decltype(&::libvlc_audio_set_volume) libvlc_audio_set_volume = nullptr;
    decltype(&::libvlc_event_attach) libvlc_event_attach = nullptr;
    decltype(&::libvlc_event_detach) libvlc_event_detach = nullptr;
    decltype(&::libvlc_media_new_location) libvlc_media_new_location = nullptr;
    decltype(&::libvlc_media_player_event_manager) libvlc_media_player_event_manager = nullptr;
    decltype(&::libvlc_media_player_get_length) libvlc_media_player_get_length = nullptr;
    decltype(&::libvlc_media_player_get_position) libvlc_media_player_get_position = nullptr;
    decltype(&::libvlc_media_player_get_state) libvlc_media_player_get_state = nullptr;
    decltype(&::libvlc_media_player_get_time) libvlc_media_player_get_time = nullptr;
    decltype(&::libvlc_media_player_is_seekable) libvlc_media_player_is_seekable = nullptr;
    decltype(&::libvlc_media_player_new) libvlc_media_player_new = nullptr;
    decltype(&::libvlc_media_player_play) libvlc_media_player_play = nullptr;
    decltype(&::libvlc_media_player_release) libvlc_media_player_release = nullptr;
    decltype(&::libvlc_media_player_set_media) libvlc_media_player_set_media = nullptr;
    decltype(&::libvlc_media_player_set_pause) libvlc_media_player_set_pause = nullptr;
    decltype(&::libvlc_media_player_set_position) libvlc_media_player_set_position = nullptr;
    decltype(&::libvlc_media_player_set_xwindow) libvlc_media_player_set_xwindow = nullptr;
    decltype(&::libvlc_media_player_stop) libvlc_media_player_stop = nullptr;
    decltype(&::libvlc_media_release) libvlc_media_release = nullptr;
    decltype(&::libvlc_new) libvlc_new = nullptr;
    decltype(&::libvlc_release) libvlc_release = nullptr;
    decltype(&::libvlc_set_user_agent) libvlc_set_user_agent = nullptr;
    decltype(&::libvlc_video_set_key_input) libvlc_video_set_key_input = nullptr;
    decltype(&::libvlc_video_set_mouse_input) libvlc_video_set_mouse_input = nullptr;
};

// Releases what libvlc handed out, through the table it came from.
template <class T> struct VlcRelease {
    const VlcApi* api = nullptr;
    void operator()(T* handle) const;
};
template <> inline void VlcRelease<libvlc_instance_t>::operator()(libvlc_instance_t* h) const {
    api->libvlc_release(h);
}
template <> inline void VlcRelease<libvlc_media_player_t>::operator()(libvlc_media_player_t* h) const {
    api->libvlc_media_player_release(h);
}
template <> inline void VlcRelease<libvlc_media_t>::operator()(libvlc_media_t* h) const {
    api->libvlc_media_release(h);
}

template <class T> using VlcHandle = std::unique_ptr<T, VlcRelease<T>>;

// An engine and its player, owned: moved, never copied; the player goes before the instance.
// All null when libvlc couldn't be loaded or started.
struct VlcEngine {
    const VlcApi* api = nullptr;
    VlcHandle<libvlc_instance_t> vlc;
    VlcHandle<libvlc_media_player_t> mp;
};

// Loads libvlc (once) and starts an engine with these options, on a thread of its own.
std::future<VlcEngine> startVlcEngine(std::vector<std::string> args);
// The player's engine: the options it always has, then `extra`. It takes a while to start (its
// plugins, the audio output): started first, it does so while the windows are built.
std::future<VlcEngine> startPlayerEngine(const std::vector<std::string>& extra = {});
// Whether the engine draws into a window of ours (X11); else it shows no picture at all.
bool drawsIntoOwnWindow();

// The engine wants a URI: what a URI can't hold raw (non-ASCII bytes, blanks) is escaped.
std::string engineLocation(const std::string& address);

// The player events the control listens to.
inline constexpr libvlc_event_e kEngineEvents[] = {libvlc_MediaPlayerOpening,         libvlc_MediaPlayerBuffering,
                                                   libvlc_MediaPlayerPlaying,         libvlc_MediaPlayerPaused,
                                                   libvlc_MediaPlayerStopped,         libvlc_MediaPlayerEndReached,
                                                   libvlc_MediaPlayerEncounteredError};

}  // namespace qc
