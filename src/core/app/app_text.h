#pragma once
// Fixed texts of the application shell and the rules that shape its error messages.

#include <cstdint>
#include <string>
#include <string_view>

#include "core/app/version.h"  // kMainCaption

namespace qc {

// The title from the executable's path: its file name, cut at the first full stop, every
// character after the first in lower case ("C:\\APPS\\QINGCHUAN.EXE" -> "Qingchuan").
std::string applicationTitle(std::string_view executablePath);

// The message of a handler's error box: a full stop is added when the last character sorts
// after "." (so "!", ")" or "." endings stay as they are).
std::string handlerErrorText(std::string_view message);

// The "Application Error" box of a failed start-up.
std::string startupErrorText(std::string_view errorKind, std::string_view module, std::uintptr_t codeAddress,
                             std::string_view message);

}  // namespace qc
