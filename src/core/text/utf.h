#pragma once
// UTF-8 and UTF-16: what text from the network may be, checked and converted by our own code.

#include <cstddef>
#include <string>
#include <string_view>

namespace qc {

void appendUtf8(std::string& out, char32_t codePoint);
// UTF-16 bytes (no byte-order mark) to UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
// The length a UTF-8 lead byte announces (1 for anything that can't lead).
std::size_t utf8SequenceLength(unsigned char lead);
// True when the bytes are well-formed UTF-8.
bool isValidUtf8(std::string_view bytes);
// The bytes with every malformed UTF-8 sequence replaced by U+FFFD.
std::string repairUtf8(std::string_view bytes);

}  // namespace qc
