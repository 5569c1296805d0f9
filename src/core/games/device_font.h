#pragma once
// The font the games engine draws device-font text with: Chinese games name fonts only Windows has
// (宋体, 黑体, Microsoft YaHei), which the engine maps to the CJK font the system has. The engine
// reads only single fonts (TrueType, OpenType), and Debian ships the CJK font we depend on as a
// collection (.ttc): one face of it is taken out as a font of its own.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qc {

// Where the system's CJK font lies (fonts-wqy-microhei).
inline constexpr char kDeviceFontFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
// A bound on what is read: the font is some 5 MB.
inline constexpr std::size_t kDeviceFontMaxBytes = 16 * 1024 * 1024;

// The bytes of a single font: `file` itself when it is one, else face `face` of the collection,
// its tables copied after a header of its own. Nothing when `file` is neither, or is cut short.
std::optional<std::string> singleFont(std::string_view file, unsigned face = 0);

}  // namespace qc
