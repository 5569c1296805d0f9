#include "core/app/fullscreen.h"

namespace qc {

void toggleFullScreen(MediaPlayerControl& player) {
    if (player.playState() != kPlaying) return;
    player.setFullScreen(player.fullScreen() != 0 ? kControlFalse : kControlTrue);
}

}  // namespace qc
