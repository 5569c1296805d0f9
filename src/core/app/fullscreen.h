#pragma once

#include "core/ports/media_player.h"

namespace qc {

// While the player plays, negates its full-screen setting; otherwise does nothing.
void toggleFullScreen(MediaPlayerControl& player);

}  // namespace qc
