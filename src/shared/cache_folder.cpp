#include "shared/cache_folder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace qc {

std::string programCacheFolder() {
    const auto absolute = [](const char* v) { return v && v[0] == '/'; };
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); absolute(cache)) return std::string(cache) + "/qingchuan";
    if (const char* home = std::getenv("HOME"); absolute(home)) return std::string(home) + "/.cache/qingchuan";
    return {};
}

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

bool makePrivateFolder(const std::string& folder) {
    if (folder.empty() || folder.front() != '/') return false;
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/') continue;
        const std::string part = folder.substr(0, end);
        if (!isFolder(part) && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return isFolder(folder);
}

}  // namespace qc
