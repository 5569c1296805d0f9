#pragma once
// The games page's console as our log has it: warnings and errors, each line prefixed, cut to a
// length and with no control characters (a movie writes what it likes there), and at most so many
// lines in a window of time; what a flood left out is said once, with the next line let through.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qc {

class PageLog {
public:
    enum class Level { Info, Warning, Error };
    PageLog(size_t lineBytes, int lines, int64_t windowMs)
        : lineBytes_(lineBytes), lines_(lines), windowMs_(windowMs) {}

    // The lines to write for one console message at `nowMs`: none, or it (after a line on what
    // was left out before it).
    std::vector<std::string> message(Level level, std::string_view text, std::string_view source, int line,
                                     int64_t nowMs);

private:
    const size_t lineBytes_;
    const int lines_;
    const int64_t windowMs_;
    int64_t windowStart_ = INT64_MIN;
    int written_ = 0;
    int dropped_ = 0;
};

}  // namespace qc
