#include "core/games/page_log.h"

namespace qc {

namespace {

constexpr char kPrefix[] = "qingchuan: games page: ";

// At most `bytes` of `text`, never ending inside a UTF-8 character, control characters as blanks.
std::string cleaned(std::string_view text, size_t bytes) {
    if (text.size() > bytes) {
        size_t end = bytes;
        while (end > 0 && (uint8_t(text[end]) & 0xC0) == 0x80) --end;
        text = text.substr(0, end);
    }
    std::string out(text);
    for (char& c : out)
        if (uint8_t(c) < 0x20 || c == 0x7f) c = ' ';
    return out;
}

}  // namespace

std::vector<std::string> PageLog::message(Level level, std::string_view text, std::string_view source, int line,
                                          int64_t nowMs) {
    if (level == Level::Info) return {};
    if (windowStart_ == INT64_MIN || nowMs - windowStart_ >= windowMs_) {
        windowStart_ = nowMs;
        written_ = 0;
    }
    if (written_ >= lines_) {
        ++dropped_;
        return {};
    }
    ++written_;
    std::vector<std::string> out;
    if (dropped_ > 0) out.push_back(kPrefix + std::to_string(dropped_) + " more lines left out");
    dropped_ = 0;
    const std::string where = source.empty() ? "" : " (" + cleaned(source, 120) + ":" + std::to_string(line) + ")";
    out.push_back(kPrefix + std::string(level == Level::Error ? "error: " : "warning: ") + cleaned(text, lineBytes_) +
                  where);
    return out;
}

}  // namespace qc
