#pragma once
// The installed program's own library folder, which holds the games engine module and, where a
// packager puts one, the updater.

#include <QString>
#include <string>

namespace qc {

// Found from the executable's folder (<prefix>/bin → <prefix>/lib/qingchuan), so that a copy
// unpacked or installed under any prefix finds its own files. No separator at the end.
QString privateLibraryFolder();

// The same folder under the prefix the build was configured for.
QString configuredPrivateLibraryFolder();

// The program's own folder in the user's cache ($XDG_CACHE_HOME/qingchuan, else
// ~/.cache/qingchuan), with no separator at the end; empty when neither is an absolute path. It
// may not exist yet. By hand: Qt 6.4 takes a relative XDG_CACHE_HOME as it is, which would put
// files wherever the viewer was started from.
std::string programCacheFolder();

// Creates an absolute folder and its missing parents for this user alone (0700); true when the
// folder is there afterwards. Safe from any thread.
bool makePrivateFolder(const std::string& folder);

}  // namespace qc
