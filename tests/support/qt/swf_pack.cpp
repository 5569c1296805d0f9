// Packed movies, as Flash writes them: zlib after an 8-byte header (CWS), or LZMA's raw stream
// after a 17-byte one that carries its properties (ZWS).
#include <lzma.h>
#include <zlib.h>

#include <stdexcept>
#include <string>

#include "swf.h"
#include "swf_bits.h"

namespace qctest {

using namespace swfbits;

namespace {

// Feeds `total` bytes (`head`, then zeros) to `code` in pieces, without holding them.
template <class Code> void zerosAfter(const std::string& head, uint64_t total, Code code) {
    const std::string zeros(1 << 20, '\0');
    code(head, total <= head.size());
    for (uint64_t done = head.size(); done < total;) {
        const size_t n = size_t(std::min<uint64_t>(zeros.size(), total - done));
        done += n;
        code(std::string_view(zeros.data(), n), done >= total);
    }
}

std::string zlibPacked(const std::string& head, uint64_t total) {
    z_stream z{};
    if (deflateInit(&z, 9) != Z_OK) throw std::runtime_error("deflateInit");
    std::string out;
    char buffer[1 << 16];
    zerosAfter(head, total, [&](std::string_view in, bool last) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        int r;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            r = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0 || (last && r != Z_STREAM_END));
    });
    deflateEnd(&z);
    return out;
}

// LZMA's raw stream and its 5 bytes of properties, from the .lzma format's encoder (whose own
// 13-byte header is those properties and a length).
std::string lzmaPacked(const std::string& head, uint64_t total, std::string& properties) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 0);
    lzma_stream x = LZMA_STREAM_INIT;
    if (lzma_alone_encoder(&x, &options) != LZMA_OK) throw std::runtime_error("lzma_alone_encoder");
    std::string out;
    uint8_t buffer[1 << 16];
    zerosAfter(head, total, [&](std::string_view in, bool last) {
        x.next_in = reinterpret_cast<const uint8_t*>(in.data());
        x.avail_in = in.size();
        lzma_ret r;
        do {
            x.next_out = buffer;
            x.avail_out = sizeof buffer;
            r = lzma_code(&x, last ? LZMA_FINISH : LZMA_RUN);
            out.append(reinterpret_cast<char*>(buffer), sizeof buffer - x.avail_out);
        } while (x.avail_out == 0 || (last && r != LZMA_STREAM_END));
    });
    lzma_end(&x);
    properties = out.substr(0, 5);
    return out.substr(13);
}

std::string packed(char kind, uint8_t version, const std::string& body, uint64_t total, uint32_t declared) {
    std::string swf = kind == 'Z' ? "ZWS" : "CWS";
    swf += char(version);
    putU32(swf, declared);
    if (kind == 'Z') {
        std::string properties;
        const std::string data = lzmaPacked(body, total, properties);
        putU32(swf, uint32_t(data.size()));
        return swf + properties + data;
    }
    return swf + zlibPacked(body, total);
}

}  // namespace

std::string packSwf(const std::string& fws, char kind, uint32_t declared) {
    const std::string body = fws.substr(8);
    return packed(kind, uint8_t(fws[3]), body, body.size(), declared ? declared : uint32_t(fws.size()));
}

std::string makeSwfBomb(char kind, uint64_t unpacked, uint32_t declared) {
    std::string body = makeSwf(QColor(220, 30, 40)).substr(8);
    const uint64_t whole = 8 + std::max<uint64_t>(unpacked, body.size());
    if (!declared) declared = uint32_t(std::min<uint64_t>(whole, UINT32_MAX));
    return packed(kind, 8, body, whole - 8, declared);
}

}  // namespace qctest
