#pragma once
// The games engine's memory against its budget: what its processes held once the page had
// loaded, before any movie, is the base; a movie that takes them past the base and the budget
// together is ended.

#include <cstdint>

namespace qc {

class EngineMemory {
public:
    explicit EngineMemory(uint64_t budgetBytes) : budget_(budgetBytes) {}
    void pageLoaded(uint64_t baseBytes) { base_ = baseBytes; }
    // A reading of the engine's processes: true when the movie must end.
    bool overBudget(uint64_t bytes) const { return bytes > base_ + budget_; }
    // Past half of it: an engine that fails there most likely ran out of its memory.
    bool nearBudget(uint64_t bytes) const { return bytes > base_ + budget_ / 2; }
    uint64_t base() const { return base_; }

private:
    const uint64_t budget_;
    uint64_t base_ = 0;
};

}  // namespace qc
