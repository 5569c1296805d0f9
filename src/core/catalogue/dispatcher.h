#pragma once
// Performs an entry's action with the entry's address.

#include "core/catalogue/catalogue.h"
#include "core/ports/flash_control.h"
#include "core/ports/media_player.h"
#include "core/ports/secondary_window.h"
#include "core/ports/shell.h"

namespace qc {

struct ActionTargets {
    MediaPlayerControl& player;
    Shell& shell;
    FlashControl& flash;
    SecondaryWindow& games;
    SecondaryWindow& about;
};

class Dispatcher {
public:
    explicit Dispatcher(ActionTargets targets) : t_(targets) {}

    // A leaf was chosen from its menu.
    void choose(const Entry& entry);
    // The sub-menu of a group is about to open.
    void opened(const Entry& group);

private:
    void perform(const Entry& e);
    ActionTargets t_;
};

}  // namespace qc
