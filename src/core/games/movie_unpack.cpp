#include "core/games/movie_unpack.h"

#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>

namespace qc {

namespace {

// "FWS"/"CWS" version length(32 LE); ZWS adds the packed length (32) and LZMA's 5 properties.
constexpr size_t kPlainHeader = 8;
constexpr size_t kLzmaHeader = 17;

uint32_t le32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) | uint32_t(uint8_t(s[at + 1])) << 8 | uint32_t(uint8_t(s[at + 2])) << 16 |
           uint32_t(uint8_t(s[at + 3])) << 24;
}

}  // namespace

// One of zlib or LZMA, unpacking into a scratch buffer that is thrown away.
struct MovieUnpackCheck::Inflater {
    bool lzma = false;
    z_stream z{};
    lzma_stream x = LZMA_STREAM_INIT;
    void* options = nullptr;  // LZMA's, for as long as its decoder runs
    bool broken = false;      // not ours to judge: the engine says it's no movie
    std::array<uint8_t, 64 << 10> scratch{};

    ~Inflater() {
        if (lzma) lzma_end(&x);
        else inflateEnd(&z);
        std::free(options);
    }
    // Unpacks `in`, stopping once past `most`: the bytes it came to, or -1 once the data is broken.
    int64_t run(std::string_view in, uint64_t most) {
        int64_t out = 0;
        if (lzma) {
            x.next_in = reinterpret_cast<const uint8_t*>(in.data());
            x.avail_in = in.size();
            while (x.avail_in > 0 && uint64_t(out) <= most) {
                x.next_out = scratch.data();
                x.avail_out = scratch.size();
                const lzma_ret r = lzma_code(&x, LZMA_RUN);
                out += int64_t(scratch.size() - x.avail_out);
                if (r == LZMA_STREAM_END) break;
                if (r != LZMA_OK) return -1;
            }
            return out;
        }
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
        z.avail_in = uInt(in.size());
        while (z.avail_in > 0 && uint64_t(out) <= most) {
            z.next_out = scratch.data();
            z.avail_out = uInt(scratch.size());
            const int r = inflate(&z, Z_NO_FLUSH);
            out += int64_t(scratch.size() - z.avail_out);
            if (r == Z_STREAM_END) break;
            if (r != Z_OK && r != Z_BUF_ERROR) return -1;
        }
        return out;
    }
};

MovieUnpackCheck::MovieUnpackCheck(uint64_t maxBytes) : max_(maxBytes) {}
MovieUnpackCheck::~MovieUnpackCheck() = default;

bool MovieUnpackCheck::feed(std::string_view bytes) {
    if (refused_) return false;
    if (kind_ == Kind::Plain || kind_ == Kind::NoMovie) return true;
    if (kind_ == Kind::Unknown) {
        const auto signature = [&] { return header_.substr(0, 3); };
        const auto whole = [&] { return signature() == "ZWS" ? kLzmaHeader : kPlainHeader; };
        while (!bytes.empty() && (header_.size() < 3 || header_.size() < whole())) {
            const size_t want = header_.size() < 3 ? 3 : whole();
            const size_t take = std::min(bytes.size(), want - header_.size());
            header_.append(bytes.substr(0, take));
            bytes.remove_prefix(take);
            if (header_.size() == 3 && signature() != "FWS" && signature() != "CWS" && signature() != "ZWS") {
                kind_ = Kind::NoMovie;
                return true;
            }
        }
        if (header_.size() < 3 || header_.size() < whole()) return true;
        start();
        if (refused_) return false;
    }
    if (kind_ != Kind::Zlib && kind_ != Kind::Lzma) return true;
    return unpack(bytes);
}

void MovieUnpackCheck::start() {
    const std::string sig = header_.substr(0, 3);
    unpacked_ = kPlainHeader;
    if (le32(header_, 4) > max_) {
        refused_ = true;
        return;
    }
    if (sig == "FWS") {
        kind_ = Kind::Plain;
        return;
    }
    inflater_ = std::make_unique<Inflater>();
    if (sig == "CWS") {
        kind_ = Kind::Zlib;
        if (inflateInit(&inflater_->z) != Z_OK) inflater_->broken = true;
        return;
    }
    kind_ = Kind::Lzma;
    inflater_->lzma = true;
    // Flash writes LZMA's raw stream after its properties, with no length of its own.
    lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
    const auto* props = reinterpret_cast<const uint8_t*>(header_.data() + 12);
    if (lzma_properties_decode(&filters[0], nullptr, props, 5) != LZMA_OK ||
        lzma_raw_decoder(&inflater_->x, filters) != LZMA_OK)
        inflater_->broken = true;
    inflater_->options = filters[0].options;
}

bool MovieUnpackCheck::unpack(std::string_view bytes) {
    if (bytes.empty() || inflater_->broken) return true;
    const int64_t out = inflater_->run(bytes, max_ - unpacked_);
    if (out < 0) {
        inflater_->broken = true;
        return true;
    }
    unpacked_ += uint64_t(out);
    if (unpacked_ > max_) refused_ = true;
    return !refused_;
}

}  // namespace qc
