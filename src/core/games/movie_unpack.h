#pragma once
// A movie's bytes as they arrive, checked before the engine unpacks them: a SWF whose header
// declares more than the bound is refused at once, and a compressed one (CWS zlib, ZWS LZMA) is
// unpacked here too, into nothing, so that one whose header lies is refused once its content
// passes the bound. Bytes that are no SWF (text, pictures) pass: the byte budget bounds those.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace qc {

class MovieUnpackCheck {
public:
    explicit MovieUnpackCheck(uint64_t maxBytes);
    ~MovieUnpackCheck();
    MovieUnpackCheck(const MovieUnpackCheck&) = delete;
    MovieUnpackCheck& operator=(const MovieUnpackCheck&) = delete;

    // The next bytes of the body. False once the movie is over the bound, and from then on.
    bool feed(std::string_view bytes);
    bool refused() const { return refused_; }
    // What the movie's bytes come to unpacked, so far (header included).
    uint64_t unpacked() const { return unpacked_; }

private:
    struct Inflater;
    void start();
    bool unpack(std::string_view bytes);

    const uint64_t max_;
    std::string header_;  // until the header is whole
    enum class Kind { Unknown, Plain, Zlib, Lzma, NoMovie } kind_ = Kind::Unknown;
    std::unique_ptr<Inflater> inflater_;
    uint64_t unpacked_ = 0;
    bool refused_ = false;
};

}  // namespace qc
