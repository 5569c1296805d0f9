#include "core/games/device_font.h"

#include <cstdint>
#include <vector>

namespace qc {

namespace {

uint32_t be32(std::string_view s, std::size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint32_t(uint8_t(s[at + 3]));
}
uint16_t be16(std::string_view s, std::size_t at) { return uint16_t(uint8_t(s[at]) << 8 | uint8_t(s[at + 1])); }

void put32(std::string& s, std::size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (24 - 8 * i)) & 0xff);
}

bool singleFontTag(uint32_t tag) {
    return tag == 0x00010000 || tag == 0x4f54544f /* OTTO */ || tag == 0x74727565 /* true */;
}

constexpr std::size_t kHeader = 12, kRecord = 16;

}  // namespace

std::optional<std::string> singleFont(std::string_view file, unsigned face) {
    if (file.size() < kHeader) return std::nullopt;
    if (singleFontTag(be32(file, 0))) return std::string(file);
    if (be32(file, 0) != 0x74746366 /* ttcf */) return std::nullopt;
    const uint32_t faces = be32(file, 8);
    if (face >= faces || kHeader + 4 * std::size_t(face + 1) > file.size()) return std::nullopt;
    const std::size_t start = be32(file, kHeader + 4 * face);
    if (start > file.size() || file.size() - start < kHeader || !singleFontTag(be32(file, start))) return std::nullopt;
    const uint16_t tables = be16(file, start + 4);
    const std::size_t directory = kHeader + kRecord * tables;
    if (file.size() - start < directory) return std::nullopt;

    std::string font(file.substr(start, directory));
    for (uint16_t i = 0; i < tables; ++i) {
        const std::size_t record = kHeader + kRecord * i;
        const std::size_t offset = be32(font, record + 8), length = be32(font, record + 12);
        if (offset > file.size() || length > file.size() - offset) return std::nullopt;
        font.resize((font.size() + 3) & ~std::size_t(3));  // tables start on four bytes
        put32(font, record + 8, uint32_t(font.size()));
        font.append(file.substr(offset, length));
    }
    return font;
}

}  // namespace qc
