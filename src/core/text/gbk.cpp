#include "core/text/gbk.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <stdexcept>

#include "core/text/utf.h"

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

}  // namespace

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
