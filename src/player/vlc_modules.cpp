#include "player/vlc_modules.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "shared/program_folders.h"

namespace qc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCore = "libvlccore.so.9";  // libvlc 3's core
// Raised when the list below changes, so that a folder made from an older list is not reused.
constexpr int kListVersion = 1;

// Whole kinds of module that only turn data into pictures and sound.
constexpr std::array<std::string_view, 9> kAllowedKinds = {"audio_filter", "audio_mixer",  "codec",
                                                           "logger",       "packetizer",   "text_renderer",
                                                           "video_chroma", "video_filter", "stream_filter"};
// Within other kinds, these alone: network access for the catalogue's schemes, TLS, the picture's
// outputs.
constexpr std::array<std::string_view, 13> kAllowedModules = {"access/libhttp_plugin.so",
                                                              "access/libhttps_plugin.so",
                                                              "access/libaccess_mms_plugin.so",
                                                              "access/libaccess_realrtsp_plugin.so",
                                                              "keystore/libmemory_keystore_plugin.so",
                                                              "misc/libgnutls_plugin.so",
                                                              "misc/libxml_plugin.so",
                                                              "misc/libxdg_screensaver_plugin.so",
                                                              "misc/libdbus_screensaver_plugin.so",
                                                              "video_output/libxcb_window_plugin.so",
                                                              "video_output/libxcb_x11_plugin.so",
                                                              "video_output/libxcb_xv_plugin.so",
                                                              "video_output/libvdummy_plugin.so"};
// Demuxers and outputs are allowed but for these: playlists and folders the engine would follow
// itself, dumps and recordings to disk, subtitle files beside the media.
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

bool contains(auto& list, std::string_view s) { return std::find(list.begin(), list.end(), s) != list.end(); }

}  // namespace

bool isAllowedEngineModule(const std::string& path) {
    if (contains(kRefused, path)) return false;
    if (contains(kAllowedModules, path)) return true;
    std::string_view kind = std::string_view(path).substr(0, path.find('/'));
    if (kind == "demux" || kind == "audio_output") return true;
    return contains(kAllowedKinds, kind);
}

namespace {

// Fills `dir` with the copy of the core and links to the allowed modules; false on any failure.
bool makeEngineFolder(const fs::path& dir, const fs::path& systemLibDir) {
    std::error_code ec;
    const fs::path modules = systemLibDir / "vlc" / "plugins";
    fs::create_directories(dir / "vlc" / "plugins", ec);
    if (ec || !fs::copy_file(systemLibDir / kCore, dir / kCore, ec)) return false;
    for (auto it = fs::recursive_directory_iterator(modules, ec); !ec && it != fs::end(it); it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->path().extension() != ".so") continue;
        std::string rel = fs::relative(it->path(), modules, ec).generic_string();
        if (ec || !isAllowedEngineModule(rel)) continue;
        fs::path link = dir / "vlc" / "plugins" / rel;
        fs::create_directories(link.parent_path(), ec);
        fs::create_symlink(it->path(), link, ec);
        if (ec) return false;
    }
    // The installed module cache still serves: entries of modules not linked here are not used.
    if (fs::exists(modules / "plugins.dat", ec))
        fs::create_symlink(modules / "plugins.dat", dir / "vlc" / "plugins" / "plugins.dat", ec);
    return !ec;
}

}  // namespace

bool loadRestrictedEngineCore(const std::string& systemLibDir, const std::string& cacheRoot) {
    struct stat core {};
    if (cacheRoot.empty() || ::stat((fs::path(systemLibDir) / kCore).c_str(), &core) != 0) return false;
    // Named after the installed core, so that an upgraded engine gets a folder of its own.
    const fs::path dir = fs::path(cacheRoot) / ("engine-" + std::to_string(kListVersion) + "-" +
                                                std::to_string(core.st_size) + "-" + std::to_string(core.st_mtime));
    // The program's cache folder is the user's alone, whichever part of us makes it first; a core
    // loaded from a folder someone else could write would be theirs to run.
    struct stat root {};
    if (!makePrivateFolder(cacheRoot) || ::stat(cacheRoot.c_str(), &root) != 0 || root.st_uid != ::geteuid() ||
        (root.st_mode & 022))
        return false;
    std::error_code ec;
    if (!fs::exists(dir / kCore, ec)) {
        // Made aside and renamed into place whole: another viewer may be doing the same.
        fs::path temp = dir.string() + ".tmp." + std::to_string(::getpid());
        fs::remove_all(temp, ec);
        bool made = makeEngineFolder(temp, systemLibDir);
        if (made) fs::rename(temp, dir, ec);
        fs::remove_all(temp, ec);
        if (!fs::exists(dir / kCore, ec)) return false;
    }
    // Loaded first, this copy is the core libvlc and every module link against (by its soname).
    return ::dlopen((dir / kCore).c_str(), RTLD_NOW | RTLD_GLOBAL) != nullptr;
}

}  // namespace qc
