#pragma once
// The program's folder in the user's cache, without Qt: the media engine's process needs it too.

#include <string>

namespace qc {

// The program's own folder in the user's cache ($XDG_CACHE_HOME/qingchuan, else
// ~/.cache/qingchuan), with no separator at the end; empty when neither is an absolute path. It
// may not exist yet. By hand: Qt 6.4 takes a relative XDG_CACHE_HOME as it is, which would put
// files wherever the viewer was started from.
std::string programCacheFolder();

// Creates an absolute folder and its missing parents for this user alone (0700); true when the
// folder is there afterwards. Safe from any thread.
bool makePrivateFolder(const std::string& folder);

}  // namespace qc
