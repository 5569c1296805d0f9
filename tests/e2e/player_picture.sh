#!/bin/sh
# The player's picture on a real desktop: openbox on X, weston with XWayland, or weston's own
# Wayland (qt6-wayland). Colour bars played by the real engine are in a screenshot of the desktop
# while the status line says 正在播放 (player_desktop_tests); kept for a look as
# BUILD/player-DESKTOP.png.
# Usage: player_picture.sh DESKTOP BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
build=$2
"start_$which"
case $desktop in weston-*) QC_SHOT=weston ;; *) QC_SHOT=x ;; esac
export QC_SHOT
# Leaks are the player tests' business; at this program's exit, with libvlc's threads about,
# LeakSanitizer's own tracer has crashed.
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
export ASAN_OPTIONS
QC_SHOT_KEEP="$build/player-$which.png" "$build/tests/player/player_desktop_tests" >"$work/player.log" 2>&1 ||
    fail "the player's picture on $desktop: $(grep -A4 'Failure' "$work/player.log" | head -n 20)
$(tail -n 15 "$work/player.log")"
echo "player_picture: the picture shows on $desktop while it says 正在播放"
