#!/bin/sh
# The README's viewer command, scripts/run-viewer.sh, as a user runs it: without a display it
# leaves a screenshot of the main window; with one (an X server that wants its cookie, here
# standing for the user's) the viewer shows on it, in a network namespace with only loopback.
# Run by a user other than root, the viewer runs as that user. A Wayland session's socket is
# reached too. Usage: readme_viewer.sh SOURCE BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
src=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
user=nobody
group=nogroup
caption="晴川影音同乐会 V1.31"
main_window() {
    w=$(timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1)
    [ -n "$w" ] && echo "$w"
}
# Only loopback in the process's network namespace, and not ours.
only_loopback() {
    [ "$(readlink "/proc/$1/ns/net")" != "$(readlink /proc/self/ns/net)" ] || fail "the viewer shares our network"
    ifaces=$(awk 'NR > 2 { sub(":", "", $1); print $1 }' "/proc/$1/net/dev")
    [ "$ifaces" = lo ] || fail "the viewer's network has $ifaces"
}
viewer_on_display() {  # what it was started as; waits for the window, prints the viewer's PID
    wait_for 30 main_window || fail "$1: no main window on the display: $(tail -n 5 "$work/$1.log")"
    pid=$(xdotool getwindowpid "$(main_window)" 2>/dev/null)
    [ -n "$pid" ] || fail "$1: the window names no process"
    echo "$pid"
}

# 1. No display: the viewer under Xvfb of its own; a screenshot of the main window.
env -u DISPLAY -u WAYLAND_DISPLAY -u XAUTHORITY QINGCHUAN_BUILD_DIR="$build" "$src/scripts/run-viewer.sh" \
    >"$work/headless.log" 2>&1 || fail "run-viewer.sh without a display failed: $(tail -n 5 "$work/headless.log")"
grep -q "screenshot is $build/screenshot.png" "$work/headless.log" || fail "run-viewer.sh did not say where the screenshot is"
# The poster of the background picture, pixel for pixel.
"$here/find_picture.py" "$build/screenshot.png" "$src/resources/pictures/image1.bmp" 404 34 178 260 >/dev/null ||
    fail "the screenshot does not show the main window"

# 2. A display: the viewer shows on it.
start_xvfb_with_cookie
QINGCHUAN_BUILD_DIR="$build" "$src/scripts/run-viewer.sh" >"$work/display.log" 2>&1 &
script=$!
pids="$script $pids"
viewer=$(viewer_on_display display) || exit 1
only_loopback "$viewer"
kill "$viewer"
wait_for 10 sh -c "! kill -0 $script 2>/dev/null" || fail "run-viewer.sh did not end with the viewer"

# 3. The same as a user other than root: the viewer runs as that user, with the user's cookie.
mkdir -p "$work/home"
chown "$user:$group" "$work/home"
chmod 755 "$work"
setpriv --reuid=$user --regid=$group --clear-groups env HOME="$work/home" "$src/tests/isolated.sh" --display \
    "$build/qingchuan" >"$work/user.log" 2>&1 &
pids="$! $pids"
viewer=$(viewer_on_display user) || exit 1
[ "$(awk '/^Uid:/ { print $2 }' "/proc/$viewer/status")" = "$(id -u $user)" ] || fail "the viewer does not run as $user"
only_loopback "$viewer"
kill "$viewer"

# 4. A Wayland session without X (weston): the viewer reaches the compositor's socket in
# XDG_RUNTIME_DIR and draws there.
start_weston_wayland
unset QT_QPA_PLATFORM DISPLAY XAUTHORITY
XDG_SESSION_TYPE=wayland QINGCHUAN_BUILD_DIR="$build" "$src/scripts/run-viewer.sh" >"$work/wayland.log" 2>&1 &
pids="$! $pids"
drawn() {
    desktop_shot "$work/wayland.png"
    "$here/find_picture.py" "$work/wayland.png" "$src/resources/pictures/image1.bmp" 404 34 178 260 >/dev/null
}
wait_for 30 drawn || fail "no main window on the Wayland display: $(tail -n 5 "$work/wayland.log")"
echo "readme viewer: a screenshot without a display; on a display, in only loopback, as root and as $user;" \
    "on Wayland"
