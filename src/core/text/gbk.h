#pragma once
// Window text is GBK (code page 936): positions inside it are counted in bytes.

#include <string>
#include <string_view>

namespace qc {

// UTF-8 to GBK bytes; a character GBK lacks becomes "?".
std::string utf8ToGbk(std::string_view utf8);
// GBK (read as GB18030, its superset) to UTF-8; a malformed byte becomes U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

}  // namespace qc
