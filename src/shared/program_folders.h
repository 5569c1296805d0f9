#pragma once
// The installed program's own library folder, which holds the games engine module and, where a
// packager puts one, the updater.

#include <QString>

#include "shared/cache_folder.h"

namespace qc {

// Found from the executable's folder (<prefix>/bin → <prefix>/lib/qingchuan), so that a copy
// unpacked or installed under any prefix finds its own files. No separator at the end.
QString privateLibraryFolder();

// The same folder under the prefix the build was configured for.
QString configuredPrivateLibraryFolder();

}  // namespace qc
