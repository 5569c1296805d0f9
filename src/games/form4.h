#pragma once
// The games window: one Flash movie at a time, maximised on its first showing.

#include <QRect>
#include <QStringList>

#include "core/ports/flash_control.h"
#include "shared/secondary_form.h"

namespace qc {

class LazyFlash;

class TForm4 : public SecondaryForm {
public:
    // Throws when the Flash control cannot be created. `moduleDirs`: where its engine is looked
    // for (defaultFlashModuleDirs()).
    TForm4();
    explicit TForm4(const QStringList& moduleDirs);
    ~TForm4() override;
    FlashControl& ShockwaveFlash1();

    // How long a window manager gets to maximise the window before we fill the work area.
    static constexpr int kWindowManagerGraceMs = 400;

protected:
    void firstShow() override;
    // Whenever the window shows or comes to the front, the keyboard is the movie's.
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where the window lies when not maximised, frame and all, until the user moves it.
    static constexpr QRect kDesigned{204, 157, 544, 375};
    LazyFlash* flash_;                   // a child widget filling the client area
    bool designedPlacePending_ = false;  // first shown, not yet restored
    static constexpr int kPlacingTries = 20, kPlacingStepMs = 50;
    void placeAsDesigned(int tries);
};

}  // namespace qc
