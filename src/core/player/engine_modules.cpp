#include "core/player/engine_modules.h"

#include <algorithm>
#include <array>

namespace qc {

namespace {

// Whole kinds of module that only turn data into pictures and sound.
constexpr std::array<std::string_view, 9> kAllowedKinds = {"audio_filter", "audio_mixer",  "codec",
                                                           "logger",       "packetizer",   "text_renderer",
                                                           "video_chroma", "video_filter", "stream_filter"};
// Within other kinds, these alone: network access for the catalogue's schemes (no RTSP: nothing
// the player plays needs it), TLS, the picture's outputs (a window, or frames handed to us).
constexpr std::array<std::string_view, 13> kAllowedModules = {"access/libhttp_plugin.so",
                                                              "access/libhttps_plugin.so",
                                                              "access/libaccess_mms_plugin.so",
                                                              "keystore/libmemory_keystore_plugin.so",
                                                              "misc/libgnutls_plugin.so",
                                                              "misc/libxml_plugin.so",
                                                              "misc/libxdg_screensaver_plugin.so",
                                                              "misc/libdbus_screensaver_plugin.so",
                                                              "video_output/libxcb_window_plugin.so",
                                                              "video_output/libxcb_x11_plugin.so",
                                                              "video_output/libxcb_xv_plugin.so",
                                                              "video_output/libvdummy_plugin.so",
                                                              "video_output/libvmem_plugin.so"};
// Demuxers and audio outputs are allowed but for these: playlists and folders the engine would
// follow itself, dumps and recordings to disk, subtitle files beside the media.
constexpr std::array<std::string_view, 11> kRefused = {"demux/libplaylist_plugin.so",
                                                       "demux/libdirectory_demux_plugin.so",
                                                       "demux/libdemuxdump_plugin.so",
                                                       "demux/libdemux_chromecast_plugin.so",
                                                       "demux/libsubtitle_plugin.so",
                                                       "demux/libvobsub_plugin.so",
                                                       "demux/libnsc_plugin.so",
                                                       "stream_filter/librecord_plugin.so",
                                                       "stream_filter/libdecomp_plugin.so",
                                                       "audio_output/libafile_plugin.so",
                                                       "audio_output/libamem_plugin.so"};

bool contains(const auto& list, std::string_view s) { return std::find(list.begin(), list.end(), s) != list.end(); }

}  // namespace

bool isAllowedEngineModule(std::string_view path) {
    if (contains(kRefused, path)) return false;
    if (contains(kAllowedModules, path)) return true;
    const std::string_view kind = path.substr(0, path.find('/'));
    if (kind == "demux" || kind == "audio_output") return true;
    return contains(kAllowedKinds, kind);
}

}  // namespace qc
