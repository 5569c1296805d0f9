#!/bin/sh
# The fixed-size windows on a real desktop: openbox or xfwm4 on an X server, weston with XWayland,
# or weston's own Wayland (qt6-wayland). The windows' own checks (fixed_windows_tests), then the
# real viewer: its main window drawn (found pixel for pixel in a screenshot, kept for a look as
# BUILD/desktop-DESKTOP.png), and no maximise that takes or ends it. On openbox, where the
# desktop's frame would show a dead maximise button, there is no frame of the desktop's, and the
# window's own caption minimises; on an X desktop, QT_QPA_PLATFORM=wayland without Qt's Wayland
# platform falls back to X instead of aborting.
# Usage: fixed_windows.sh DESKTOP SOURCE BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
src=$2
build=$3
here=$(cd "$(dirname "$0")" && pwd)
caption="晴川影音同乐会 V1.31"
"start_$which"

"$build/tests/app/fixed_windows_tests" >"$work/fixed.log" 2>&1 || {
    status=$?
    fail "the windows' own checks on $desktop (exit $status): $(grep -A4 'Failure' "$work/fixed.log" | head -n 20)
$(tail -n 15 "$work/fixed.log")"
}

"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
shot="$build/desktop-$which.png"
drawn() {
    desktop_shot "$shot"
    "$here/find_picture.py" "$shot" "$src/resources/pictures/image1.bmp" 404 34 178 260 >/dev/null
}
wait_for 30 drawn || fail "no main window drawn on $desktop: $(tail -n 5 "$work/viewer.log")"

case $desktop in
weston-wayland)
    # No input device on the headless back end; the windows' own checks asked to maximise.
    sleep 2
    kill -0 "$viewer" || fail "the viewer ended on $desktop: $(tail -n 5 "$work/viewer.log")"
    ;;
*)
    main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1 | grep .; }
    wait_for 10 main_window || fail "no main window on $desktop's X server"
    wid=$(main_window)
    size() { xdotool getwindowgeometry "$wid" | sed -n 's/.*Geometry: //p'; }
    before=$(size)
    ! xprop -id "$wid" _NET_WM_ALLOWED_ACTIONS | grep -q MAXIMIZE || fail "$desktop allows maximising the window"
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS | sed -n 's/.* = //p')
    top=$(echo "${extents:-0, 0, 0, 0}" | cut -d, -f3 | tr -d ' ')
    if [ "$desktop" = openbox ]; then
        [ "$extents" = "0, 0, 0, 0" ] || fail "openbox frames the window (its frame has a maximise button): $extents"
        top=$((-2 * 11))  # the window's own caption: its middle, 11 pixels down
    fi
    # A double-click on the caption, the desktop's or ours (XWayland on the headless back end has
    # no pointer), and a request to maximise it.
    if [ "$desktop" != weston-xwayland ]; then
        xdotool mousemove $((X + 60)) $((Y - top / 2)) click --repeat 2 --delay 80 1
        sleep 0.5
        [ "$(size)" = "$before" ] || fail "a double-click on the caption resized the window on $desktop: $(size)"
    fi
    wmctrl -i -r "$wid" -b add,maximized_vert,maximized_horz
    sleep 1
    kill -0 "$viewer" || fail "the viewer ended on $desktop"
    [ "$(size)" = "$before" ] || fail "a request to maximise resized the window on $desktop: $(size)"
    if [ "$desktop" = openbox ]; then
        # The caption's minimise button, 3 + 20 + 2 pixels from the right, then 10 more.
        xdotool mousemove $((X + WIDTH - 35)) $((Y + 11)) click 1
        iconic() { xprop -id "$wid" WM_STATE | grep -q 'window state: Iconic'; }
        wait_for 5 iconic || fail "the caption's minimise button did not minimise the window"
    fi
    kill "$viewer"
    wait "$viewer" 2>/dev/null || true

    # Qt told to use Wayland, whose platform is not installed (hidden in this test's own mount
    # namespace): X instead, not an abort.
    platforms=$(dirname "$(find /usr/lib -path '*/qt6/plugins/platforms/libqxcb.so' | head -n 1)")
    mkdir -p "$work/platforms"
    for f in "$platforms"/*.so; do
        case $(basename "$f") in libqwayland*) ;; *) cp "$f" "$work/platforms/" ;; esac
    done
    mount --bind "$work/platforms" "$platforms" || fail "could not hide the Wayland platform"
    QT_QPA_PLATFORM=wayland "$build/qingchuan" >"$work/fallback.log" 2>&1 &
    viewer=$!
    pids="$viewer $pids"
    wait_for 30 sh -c "timeout 5 xdotool search --onlyvisible --name '^$caption\$' >/dev/null" ||
        fail "QT_QPA_PLATFORM=wayland without its platform: no window on X: $(tail -n 3 "$work/fallback.log")"
    kill "$viewer"
    ;;
esac
echo "fixed windows on $desktop: no maximise offered or taken; screenshot $shot"
