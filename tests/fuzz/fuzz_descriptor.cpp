// Whatever the maker's site (or anything posing as it) sends as update.txt: loading it into the
// memo and taking its tag must neither crash nor read out of bounds.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/update/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string memo = qc::memoTextOf(bytes);
    std::string tag = qc::descriptorTag(memo);
    if (tag.size() > 4 || memo.compare(0, tag.size(), tag) != 0) std::abort();
    // Line breaks come out as CR LF pairs only.
    for (size_t i = 0; i < memo.size(); ++i)
        if ((memo[i] == '\r' && (i + 1 == memo.size() || memo[i + 1] != '\n')) ||
            (memo[i] == '\n' && (i == 0 || memo[i - 1] != '\r')))
            std::abort();
    return 0;
}
