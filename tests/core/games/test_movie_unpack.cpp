// A movie's size before the engine unpacks it: headers that declare too much, packed content that
// comes to more than its header says, and bytes that are no movie at all.

#include <gtest/gtest.h>
#include <lzma.h>
#include <zlib.h>

#include <string>

#include "core/games/movie_unpack.h"

using qc::MovieUnpackCheck;

namespace {

constexpr uint64_t kBound = 1 << 20;

std::string header(const char* signature, uint32_t declared) {
    std::string h(signature);
    h += char(10);
    for (int i = 0; i < 4; ++i) h += char((declared >> (8 * i)) & 0xff);
    return h;
}

std::string zlib(const std::string& data) {
    uLongf size = compressBound(uLong(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              uLong(data.size()), 9);
    out.resize(size);
    return out;
}

// ZWS: the packed length, LZMA's 5 properties, its raw stream.
std::string lzma(const std::string& data) {
    lzma_options_lzma options;
    lzma_lzma_preset(&options, 0);
    lzma_stream x = LZMA_STREAM_INIT;
    lzma_alone_encoder(&x, &options);
    std::string out(data.size() + 4096, '\0');
    x.next_in = reinterpret_cast<const uint8_t*>(data.data());
    x.avail_in = data.size();
    x.next_out = reinterpret_cast<uint8_t*>(out.data());
    x.avail_out = out.size();
    lzma_code(&x, LZMA_FINISH);
    out.resize(out.size() - x.avail_out);
    lzma_end(&x);
    std::string packed;
    const uint32_t n = uint32_t(out.size() - 13);
    for (int i = 0; i < 4; ++i) packed += char((n >> (8 * i)) & 0xff);
    return packed + out.substr(0, 5) + out.substr(13);
}

// Fed in pieces of `piece` bytes, as a download arrives; whether it all passed.
bool passes(const std::string& body, size_t piece = 7) {
    MovieUnpackCheck check(kBound);
    bool ok = true;
    for (size_t at = 0; at < body.size() && ok; at += piece) ok = check.feed(std::string_view(body).substr(at, piece));
    return ok;
}

}  // namespace

TEST(MovieUnpackCheck, MoviesWithinTheBoundPassPackedOrNot) {
    const std::string content(kBound - 100, 'x');
    EXPECT_TRUE(passes(header("FWS", kBound) + content));
    EXPECT_TRUE(passes(header("CWS", kBound) + zlib(content)));
    EXPECT_TRUE(passes(header("ZWS", kBound) + lzma(content), 3));
    EXPECT_TRUE(passes(header("ZWS", kBound) + lzma(content), 1 << 16));
}

TEST(MovieUnpackCheck, AHeaderDeclaringMoreThanTheBoundIsRefusedAtOnce) {
    for (const char* signature : {"FWS", "CWS", "ZWS"}) {
        MovieUnpackCheck check(kBound);
        EXPECT_FALSE(check.feed(header(signature, kBound + 1) + std::string(9, '\0'))) << signature;
        EXPECT_FALSE(check.feed("more")) << "refused once, refused for good";
    }
}

TEST(MovieUnpackCheck, PackedContentThatUnpacksPastTheBoundIsRefusedWhateverItsHeaderSays) {
    const std::string bomb(8 * kBound, '\0');
    EXPECT_FALSE(passes(header("CWS", 1000) + zlib(bomb), 4096));
    EXPECT_FALSE(passes(header("ZWS", 1000) + lzma(bomb), 4096));
    MovieUnpackCheck check(kBound);
    const std::string packed = header("CWS", 1000) + zlib(bomb);
    check.feed(packed);
    EXPECT_TRUE(check.refused());
    EXPECT_LE(check.unpacked(), kBound + (64 << 10)) << "stopped within a piece of the bound";
}

TEST(MovieUnpackCheck, BytesThatAreNoMovieAndBrokenPackingAreNotItsToJudge) {
    EXPECT_TRUE(passes("filler=" + std::string(4 * kBound, 'x')));
    EXPECT_TRUE(passes("GIF89a" + std::string(100, '\0')));
    EXPECT_TRUE(passes(header("CWS", 1000) + std::string(1000, '\x55')));
    EXPECT_TRUE(passes("CW"));
}
