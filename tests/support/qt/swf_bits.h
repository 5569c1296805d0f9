#pragma once
// The bytes of a SWF file, shared by the writers of the test movies.

#include <QColor>
#include <cstdint>
#include <string>
#include <vector>

namespace qctest::swfbits {

// Bits of a SWF RECT or shape, most significant first.
class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    std::string bytes() const { return std::string(bytes_.begin(), bytes_.end()); }

private:
    std::vector<uint8_t> bytes_;
    int used_ = 0;
};

inline void putU16(std::string& s, unsigned v) {
    s += char(v & 0xff);
    s += char((v >> 8) & 0xff);
}

inline void putU32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xff);
}

inline std::string tag(int code, const std::string& body) {
    std::string t;
    if (body.size() < 0x3f) {
        putU16(t, unsigned(code << 6) | unsigned(body.size()));
    } else {
        putU16(t, unsigned(code << 6) | 0x3f);
        putU32(t, uint32_t(body.size()));
    }
    return t + body;
}

inline std::string rgb(QColor c) { return {char(c.red()), char(c.green()), char(c.blue())}; }

// A signed value in `bits` bits, two's complement.
inline uint32_t sbits(int value, int bits) { return uint32_t(value) & ((1u << bits) - 1); }

// The stage of every test movie: 400 x 300 pixels.
inline std::string stageRect() {
    BitWriter rect;
    rect.put(15, 5);
    rect.put(0, 15);
    rect.put(400 * 20, 15);
    rect.put(0, 15);
    rect.put(300 * 20, 15);
    return rect.bytes();
}

inline std::string file(int version, uint16_t frames, const std::string& tags) {
    std::string body = stageRect();
    putU16(body, 24 << 8);  // 24 frames a second, 8.8 fixed point
    putU16(body, frames);
    body += tags;
    putU16(body, 0);  // End
    std::string swf = "FWS";
    swf += char(version);
    putU32(swf, uint32_t(8 + body.size()));
    return swf + body;
}

}  // namespace qctest::swfbits
