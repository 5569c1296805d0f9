#pragma once

#include <QString>
#include <exception>

namespace qc {

// Qt aborts before any window when none of the platforms QT_QPA_PLATFORM names can start (say
// "wayland" without qt6-wayland installed): the desktop's other platforms follow as fallbacks.
// Left alone without the variable, where Qt's own choice already falls back. Before QApplication.
void addPlatformFallbacks();

// The box of a failed start-up: "Application Error", the kind of error, the module and the
// code position, then the error's own message. Returns the exit code, 1.
int reportStartupFailure(const std::exception& e, const QString& executable, const void* where);

}  // namespace qc
