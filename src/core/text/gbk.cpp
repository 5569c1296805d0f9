#include "core/text/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace qc {

namespace {

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GBK converter");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`, calling `bad` with the output so far at each byte that can't be converted;
    // that byte is then skipped.
    template <class OnBad> std::string run(std::string_view in, OnBad bad) {
        std::string out;
        char buf[4096];
        char* src = const_cast<char*>(in.data());
        size_t left = in.size();
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        while (left > 0) {
            char* dst = buf;
            size_t room = sizeof buf;
            size_t r = iconv(cd_, &src, &left, &dst, &room);
            out.append(buf, dst - buf);
            if (r != static_cast<size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (cut short at the end): skip what can't be converted.
            size_t skip = bad(out, std::string_view(src, left));
            src += skip;
            left -= skip;
        }
        return out;
    }

private:
    iconv_t cd_;
};

size_t utf8SequenceLength(unsigned char lead) {
    if (lead < 0x80) return 1;
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

}  // namespace

namespace {

// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t validSequence(std::string_view s, size_t i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = utf8SequenceLength(c);
    if (n == 1) return c < 0x80 ? 1 : 0;
    if (i + n > s.size()) return 0;
    char32_t cp = c & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        unsigned char t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (t & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

}  // namespace

bool isValidUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        size_t n = validSequence(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string repairUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        size_t n = validSequence(s, i);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
        } else {
            out.append(s.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::string utf8ToGbk(std::string_view utf8) {
    Converter c("GBK", "UTF-8");
    return c.run(utf8, [](std::string& out, std::string_view rest) {
        out += '?';
        return std::min(rest.size(), utf8SequenceLength(static_cast<unsigned char>(rest[0])));
    });
}

std::string gbkToUtf8(std::string_view gbk) {
    Converter c("UTF-8", "GB18030");
    return c.run(gbk, [](std::string& out, std::string_view) {
        out += "\xEF\xBF\xBD";
        return size_t{1};
    });
}

}  // namespace qc
