#pragma once
// The engine sees only the modules core/player/engine_modules allows. libvlc looks for
// its modules beside the libvlccore it runs from, so a private copy of libvlccore, loaded before
// libvlc, brings a module folder of links to the allowed ones only.

#include <string>

namespace qc {

// Makes (once; reused while the installed engine is unchanged) the private engine folder under
// `cacheRoot` (the user's own; empty: none) from the installed libvlccore in `systemLibDir`, and loads its libvlccore.
// False when that can't be done; libvlc then runs from the installed folder with every module.
bool loadRestrictedEngineCore(const std::string& systemLibDir, const std::string& cacheRoot);

}  // namespace qc
