#include "core/games/device_font.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

void be32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char((v >> (24 - 8 * i)) & 0xff);
}
void be16(std::string& s, uint16_t v) {
    s += char(v >> 8);
    s += char(v & 0xff);
}
uint32_t read32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 | uint32_t(uint8_t(s[at + 2])) << 8 |
           uint32_t(uint8_t(s[at + 3]));
}

struct Table {
    std::string tag, data;
};

// A collection of faces whose table records point anywhere in the file, as a real one's do (the
// faces share tables).
std::string collection(const std::vector<std::vector<Table>>& faces) {
    std::string head = "ttcf";
    be32(head, 0x00010000);
    be32(head, uint32_t(faces.size()));
    size_t directories = head.size() + 4 * faces.size();
    std::vector<std::string> dirs;
    for (const auto& tables : faces) directories += 12 + 16 * tables.size();
    std::string data;
    for (const auto& tables : faces) {
        std::string dir;
        be32(dir, 0x00010000);
        be16(dir, uint16_t(tables.size()));
        be16(dir, 0);
        be16(dir, 0);
        be16(dir, 0);
        for (const Table& t : tables) {
            dir += t.tag;
            be32(dir, 0);
            be32(dir, uint32_t(directories + data.size()));
            be32(dir, uint32_t(t.data.size()));
            data += t.data;
        }
        dirs.push_back(dir);
    }
    size_t at = head.size() + 4 * faces.size();
    for (const std::string& d : dirs) {
        be32(head, uint32_t(at));
        at += d.size();
    }
    for (const std::string& d : dirs) head += d;
    return head + data;
}

// The table `tag` of a single font, as its directory finds it.
std::string table(const std::string& font, const std::string& tag) {
    const uint16_t n = uint16_t(uint8_t(font[4]) << 8 | uint8_t(font[5]));
    for (uint16_t i = 0; i < n; ++i) {
        const size_t record = 12 + 16 * i;
        if (font.compare(record, 4, tag) != 0) continue;
        const uint32_t offset = read32(font, record + 8), length = read32(font, record + 12);
        if (offset % 4) return "misaligned";
        return font.substr(offset, length);
    }
    return "missing";
}

}  // namespace

TEST(DeviceFont, AFaceOfACollectionBecomesAFontOfItsOwn) {
    const std::string file = collection({{{"cmap", "first map"}, {"glyf", "outlines"}},
                                         {{"cmap", "second"}, {"glyf", "more outlines"}, {"name", "Mono"}}});
    const auto first = qc::singleFont(file, 0);
    ASSERT_TRUE(first);
    EXPECT_EQ(read32(*first, 0), 0x00010000u);
    EXPECT_EQ(table(*first, "cmap"), "first map");
    EXPECT_EQ(table(*first, "glyf"), "outlines");
    EXPECT_EQ(table(*first, "name"), "missing");
    const auto second = qc::singleFont(file, 1);
    ASSERT_TRUE(second);
    EXPECT_EQ(table(*second, "glyf"), "more outlines");
    EXPECT_EQ(table(*second, "name"), "Mono");
    EXPECT_FALSE(qc::singleFont(file, 2));
}

TEST(DeviceFont, ASingleFontIsTakenAsItIs) {
    std::string ttf;
    be32(ttf, 0x00010000);
    ttf += std::string(40, 'x');
    EXPECT_EQ(qc::singleFont(ttf), ttf);
    std::string otf = "OTTO" + std::string(40, 'y');
    EXPECT_EQ(qc::singleFont(otf), otf);
}

TEST(DeviceFont, AnythingElseOrAFileCutShortGivesNothing) {
    EXPECT_FALSE(qc::singleFont(""));
    EXPECT_FALSE(qc::singleFont("not a font at all"));
    const std::string file = collection({{{"cmap", "map"}, {"glyf", "outlines"}}});
    for (size_t cut : {size_t(11), size_t(14), size_t(20), size_t(30), file.size() - 1})
        EXPECT_FALSE(qc::singleFont(file.substr(0, cut))) << "cut at " << cut;
    // A face that points past the end.
    std::string wild = file;
    wild[12] = char(0x7f);
    EXPECT_FALSE(qc::singleFont(wild));
}
