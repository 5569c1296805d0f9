#include "player/libvlc/vlc_modules.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "core/player/engine_modules.h"
#include "shared/cache_folder.h"

namespace qc {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCore = "libvlccore.so.9";  // libvlc 3's core

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
    const fs::path dir = fs::path(cacheRoot) / ("engine-" + std::to_string(kEngineModuleRuleVersion) + "-" +
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
