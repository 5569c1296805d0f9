#include "core/app/app_text.h"

#include <cstdio>

#include "core/text/ascii.h"

namespace qc {

namespace {

// Last code point of UTF-8 text (0 when empty).
char32_t lastCodePoint(std::string_view s) {
    if (s.empty()) return 0;
    size_t i = s.size() - 1;
    while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
    unsigned char lead = static_cast<unsigned char>(s[i]);
    // Anything multi-byte is beyond ASCII and so sorts after ".".
    return lead < 0x80 ? lead : 0x80;
}

}  // namespace

std::string applicationTitle(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    name = name.substr(0, name.find('.'));
    std::string title(name);
    for (size_t i = 1; i < title.size(); ++i) title[i] = asciiLower(title[i]);
    return title;
}

std::string handlerErrorText(std::string_view message) {
    std::string text(message);
    if (lastCodePoint(text) > U'.') text += '.';
    return text;
}

std::string startupErrorText(std::string_view kind, std::string_view module, std::uintptr_t address,
                             std::string_view message) {
    char where[2 + 2 * sizeof(std::uintptr_t) + 1];
    std::snprintf(where, sizeof where, "%0*llX", static_cast<int>(2 * sizeof(std::uintptr_t)),
                  static_cast<unsigned long long>(address));
    std::string text = "Exception " + std::string(kind) + " in module " + std::string(module) + " at " + where + ".\n" +
                       std::string(message);
    if (text.back() != '.') text += '.';
    return text;
}

}  // namespace qc
