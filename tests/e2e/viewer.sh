#!/bin/sh
# The real viewer under Xvfb (in a network namespace with only loopback): its window, a browse
# entry reaching the shell, a play entry starting the player. Usage: viewer.sh BUILD_DIR
. "$(dirname "$0")/lib.sh"
build=$1
start_xvfb
install_recording_shell

"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
caption="晴川影音同乐会 V1.31"
wait_for 20 xdotool search --onlyvisible --name "^$caption\$" || fail "no main window"
wid=$(xdotool search --onlyvisible --name "^$caption\$" | head -n 1)
[ "$(xdotool getwindowname "$wid")" = "$caption" ] || fail "caption"

eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" -eq 588 ] || fail "window width $WIDTH"
[ "$HEIGHT" -ge 359 ] && [ "$HEIGHT" -le 400 ] || fail "window height $HEIGHT (341 below the menu bar)"
# Centred on the 1024 x 768 screen.
[ $((X + WIDTH / 2 - 512)) -le 1 ] && [ $((512 - X - WIDTH / 2)) -le 1 ] || fail "not centred: x=$X"
bar=$((HEIGHT - 341))

sleep 1
import -window root "$build/viewer-screenshot.png"

# 帮助 › 主页: open the first menu, wrap left to the last one (its first item is then active),
# then down to 主页.
xdotool mousemove $((X + 20)) $((Y + bar / 2)) click 1
sleep 0.5
xdotool key Left Down Return
wait_for 10 grep -qx "http://www.qingchuan.example/" "$work/opened" || fail "主页 did not reach the shell: $(cat "$work/opened")"
[ "$(head -n 1 "$work/opened")" = 1 ] || fail "the address must be one argument"
# The desktop's program gets the user's environment, not the switches set for the games engine.
! grep -q '^QTWEBENGINE_CHROMIUM_FLAGS=\|^QT_XCB_GL_INTEGRATION=' "$work/opened-env" ||
    fail "the shell was given the games engine's switches: $(grep '^QT' "$work/opened-env")"

# 免费体验 › CCTV-5: the player starts; no host can be reached here, and the status line says so.
status_area() { import -window root -crop 300x16+$((X + 40))+$((Y + bar + 34 + 290)) "$work/status-$1.png"; }
status_area before
xdotool mousemove $((X + 20)) $((Y + bar / 2)) click 1
sleep 0.5
xdotool key Down Return
changed() {
    status_area now
    ! cmp -s "$work/status-before.png" "$work/status-now.png"
}
wait_for 10 changed || fail "the status line did not change after a play entry"

kill -0 "$viewer" || fail "the viewer ended"
echo "viewer: window, menus, shell and player work; screenshot in $build/viewer-screenshot.png"
