#include "shared/secondary_form.h"

namespace qc {

void SecondaryForm::showWindow() {
    if (!shownBefore_) {
        shownBefore_ = true;
        firstShow();
    } else if (!isVisible()) {
        show();  // Qt keeps the hidden window's geometry and state
    }
    // A minimised window stays minimised: showing only brings a visible window to the front.
    if (isMinimized()) return;
    raise();
    activateWindow();
}

}  // namespace qc
