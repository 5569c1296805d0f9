#include "update/update_folders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>

#include "shared/program_folders.h"

namespace qc {

std::string QtUpdateFolders::executableFolder() const {
    return QCoreApplication::applicationDirPath().toStdString() + "/";
}

std::string QtUpdateFolders::privateLibraryFolder() const { return qc::privateLibraryFolder().toStdString() + "/"; }

std::string QtUpdateFolders::cacheFolder() const {
    const std::string folder = programCacheFolder();
    return folder.empty() ? folder : folder + "/";
}

bool QtUpdateFolders::canWriteTo(const std::string& folder) const {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool QtUpdateFolders::makeFolder(const std::string& folder) { return makePrivateFolder(folder); }

bool QtUpdateFolders::isFile(const std::string& path) const {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace qc
