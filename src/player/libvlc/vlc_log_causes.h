#pragma once
// libvlc says why a source failed only in its log: which lines name a cause we can tell the user.

#include <string_view>

#include "core/ports/media_engine.h"

namespace qc {

struct LogCause {
    EngineEvent::Cause cause = EngineEvent::Cause::Other;
    int httpStatus = 0;
};

// The cause an error or warning line of libvlc's names; Other when it names none we know.
LogCause causeOfLogLine(std::string_view line);

}  // namespace qc
