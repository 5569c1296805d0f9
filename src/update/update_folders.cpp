#include "update/update_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <cstdlib>

#include "shared/program_folders.h"

namespace qc {

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string QtUpdateFolders::executableFolder() const {
    return QCoreApplication::applicationDirPath().toStdString() + "/";
}

std::string QtUpdateFolders::privateLibraryFolder() const { return qc::privateLibraryFolder().toStdString() + "/"; }

// By hand: Qt 6.4 takes a relative XDG_CACHE_HOME as it is, which would put the file wherever the
// viewer was started from.
std::string QtUpdateFolders::cacheFolder() const {
    const auto absolute = [](const char* v) { return v && v[0] == '/'; };
    if (const char* cache = ::getenv("XDG_CACHE_HOME"); absolute(cache)) return std::string(cache) + "/qingchuan/";
    if (const char* home = ::getenv("HOME"); absolute(home)) return std::string(home) + "/.cache/qingchuan/";
    return {};
}

bool QtUpdateFolders::canWriteTo(const std::string& folder) const {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool QtUpdateFolders::makeFolder(const std::string& folder) {
    if (folder.empty() || folder.front() != '/') return false;
    for (size_t end = 1; end <= folder.size(); ++end) {
        if (end < folder.size() && folder[end] != '/') continue;
        const std::string part = folder.substr(0, end);
        if (!isFolder(part) && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return isFolder(folder);
}

bool QtUpdateFolders::isFile(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace qc
