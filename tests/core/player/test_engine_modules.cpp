// Which of the media engine's modules it may load.

#include <gtest/gtest.h>

#include "core/player/engine_modules.h"

TEST(EngineModules, OnlyWhatTheCataloguesStreamsNeed) {
    struct Case {
        const char* path;
        bool allowed;
    };
    const Case cases[] = {
        // Network access for the catalogue's schemes, and nothing else that reaches out.
        {"access/libhttp_plugin.so", true},
        {"access/libhttps_plugin.so", true},
        {"access/libaccess_mms_plugin.so", true},
        {"access/libaccess_realrtsp_plugin.so", false},  // Real RTSP: nothing plays it, and it crashes
        {"access/libfilesystem_plugin.so", false},
        {"access/libv4l2_plugin.so", false},
        {"access/libudp_plugin.so", false},
        {"access/libtcp_plugin.so", false},
        {"access/libftp_plugin.so", false},
        {"access/libsmb_plugin.so", false},
        {"access/libsdp_plugin.so", false},
        {"access/liblive555_plugin.so", false},
        // Whole kinds that only turn data into pictures and sound.
        {"codec/libavcodec_plugin.so", true},
        {"packetizer/libpacketizer_h264_plugin.so", true},
        {"video_chroma/libswscale_plugin.so", true},
        {"stream_filter/libcache_read_plugin.so", true},
        {"text_renderer/libfreetype_plugin.so", true},
        // Demuxers and audio outputs, but for playlists, folders, dumps and files beside the media.
        {"demux/libasf_plugin.so", true},
        {"demux/libes_plugin.so", true},
        {"demux/libplaylist_plugin.so", false},
        {"demux/libdirectory_demux_plugin.so", false},
        {"demux/libdemuxdump_plugin.so", false},
        {"demux/libsubtitle_plugin.so", false},
        {"audio_output/libpulse_plugin.so", true},
        {"audio_output/libalsa_plugin.so", true},
        {"audio_output/libafile_plugin.so", false},
        {"audio_output/libamem_plugin.so", false},
        {"stream_filter/librecord_plugin.so", false},
        {"stream_filter/libdecomp_plugin.so", false},
        // Kinds that control, serve, script or discover: none.
        {"control/libhotkeys_plugin.so", false},
        {"control/liboldrc_plugin.so", false},
        {"lua/liblua_plugin.so", false},
        {"stream_out/libstream_out_standard_plugin.so", false},
        {"access_output/libaccess_output_http_plugin.so", false},
        {"services_discovery/libupnp_plugin.so", false},
        {"stream_extractor/libarchive_plugin.so", false},
        {"gui/libqt_plugin.so", false},
        {"misc/libgnutls_plugin.so", true},
        {"misc/libaudioscrobbler_plugin.so", false},
        {"video_output/libxcb_x11_plugin.so", true},
        {"video_output/libvmem_plugin.so", true},  // frames handed to the viewer
        {"video_output/libgl_plugin.so", false},
        // Not a path the folder has.
        {"", false},
        {"access", false},
        {"../access/libhttp_plugin.so", false},
    };
    for (const Case& c : cases) EXPECT_EQ(qc::isAllowedEngineModule(c.path), c.allowed) << c.path;
}
