#pragma once
// The update check's folders on this system: the executable's, the private library folder, the
// program's folder in the user's cache (XDG base directories).

#include "core/ports/update_ports.h"

namespace qc {

class QtUpdateFolders : public UpdateFolders {
public:
    std::string executableFolder() const override;
    std::string privateLibraryFolder() const override;
    // $XDG_CACHE_HOME/qingchuan/, or $HOME/.cache/qingchuan/ when that is unset or not absolute;
    // empty without an absolute HOME.
    std::string cacheFolder() const override;
    // By this process's effective identity; a read-only mount counts as not writable.
    bool canWriteTo(const std::string& folder) const override;
    // Missing folders are made 0700, as the XDG rules ask of folders made for the user.
    bool makeFolder(const std::string& folder) override;
    bool isFile(const std::string& path) const override;
};

}  // namespace qc
