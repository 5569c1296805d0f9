#pragma once
// Which of the media engine's modules it may load: the catalogue's streams need network access
// over their schemes, demuxers, decoders and outputs; nothing that opens local files, devices,
// raw sockets or listeners, nor anything that follows playlists or writes to disk of its own.

#include <string_view>

namespace qc {

// Raised whenever the rule below changes, so that a module folder made by an older rule is
// made afresh.
inline constexpr int kEngineModuleRuleVersion = 3;

// `relativePath` is the module's path under the engine's module folder
// ("access/libhttp_plugin.so").
bool isAllowedEngineModule(std::string_view relativePath);

}  // namespace qc
