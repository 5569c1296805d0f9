#pragma once
// A secondary window: shown without being modal, only hidden when closed.

namespace qc {

class SecondaryWindow {
public:
    virtual ~SecondaryWindow() = default;
    // Makes the window visible and brings it to the front; returns at once.
    virtual void showWindow() = 0;
};

}  // namespace qc
