#pragma once

#include <QString>
#include <exception>

namespace qc {

// The box of a failed start-up: "Application Error", the kind of error, the module and the
// code position, then the error's own message. Returns the exit code, 1.
int reportStartupFailure(const std::exception& e, const QString& executable, const void* where);

}  // namespace qc
