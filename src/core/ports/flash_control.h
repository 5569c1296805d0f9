#pragma once
// The games window's Flash control.

#include <string>

namespace qc {

class FlashControl {
public:
    virtual ~FlashControl() = default;
    // Fetches and plays the movie at the address, replacing the one held; does not wait.
    virtual void setMovie(const std::string& address) = 0;
};

}  // namespace qc
