#include "swf.h"

#include <cstdint>
#include <vector>

namespace qctest {

namespace {

// Bits of a SWF RECT, most significant first.
class BitWriter {
public:
    void put(uint32_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
            ++used_;
        }
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    int used_ = 0;
};

void putU16(std::string& s, unsigned v) {
    s += char(v & 0xff);
    s += char((v >> 8) & 0xff);
}

}  // namespace

std::string makeSwf(QColor colour, const std::string& next) {
    BitWriter rect;
    const int bits = 15;  // 8000 twips and a sign bit
    rect.put(bits, 5);
    rect.put(0, bits);
    rect.put(400 * 20, bits);
    rect.put(0, bits);
    rect.put(300 * 20, bits);
    std::string body(rect.bytes().begin(), rect.bytes().end());
    putU16(body, 24 << 8);  // 24 frames a second, 8.8 fixed point
    putU16(body, 1);        // one frame
    putU16(body, (9 << 6) | 3);  // SetBackgroundColor, 3 bytes
    body += char(colour.red());
    body += char(colour.green());
    body += char(colour.blue());
    if (!next.empty()) {
        std::string getUrl = next + '\0' + "_level0" + '\0';
        std::string action;
        action += char(0x83);  // ActionGetURL
        putU16(action, unsigned(getUrl.size()));
        action += getUrl;
        action += char(0);  // ActionEnd
        putU16(body, (12 << 6) | 0x3f);  // DoAction, long form
        const uint32_t n = uint32_t(action.size());
        for (int i = 0; i < 4; ++i) body += char((n >> (8 * i)) & 0xff);
        body += action;
    }
    putU16(body, 1 << 6);  // ShowFrame
    putU16(body, 0);       // End
    std::string swf = "FWS";
    swf += char(8);  // version
    const uint32_t length = uint32_t(8 + body.size());
    for (int i = 0; i < 4; ++i) swf += char((length >> (8 * i)) & 0xff);
    return swf + body;
}

}  // namespace qctest
