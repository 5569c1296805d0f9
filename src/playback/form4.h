#pragma once
// The games window: one Flash movie at a time, maximised on its first showing.

#include "app/secondary_form.h"
#include "playback/flash_control.h"

namespace qc {

class RuffleFlash;

class TForm4 : public SecondaryForm {
public:
    // Throws when the Flash control cannot be created.
    TForm4();
    ~TForm4() override;
    FlashControl& ShockwaveFlash1();

    // How long a window manager gets to maximise the window before we fill the work area.
    static constexpr int kWindowManagerGraceMs = 400;

protected:
    void firstShow() override;

private:
    RuffleFlash* flash_;  // a child widget filling the client area
};

}  // namespace qc
