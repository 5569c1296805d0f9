#pragma once
// The games window: one Flash movie at a time, maximised on its first showing.

#include <memory>

#include "app/secondary_form.h"
#include "playback/flash_control.h"

namespace qc {

class TForm4 : public SecondaryForm {
public:
    TForm4();
    ~TForm4() override;
    FlashControl& ShockwaveFlash1() { return *flash_; }

protected:
    void firstShow() override;

private:
    std::unique_ptr<FlashControl> flash_;
};

}  // namespace qc
