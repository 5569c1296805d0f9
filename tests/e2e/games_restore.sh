#!/bin/sh
# The games window under a real window manager: first shown maximised; restored (a double-click
# on its title, or asked by wmctrl) it takes its designed place and size, 544 x 375 outside its
# frame at 204, 157; maximised and closed, it comes back maximised, and restored it stays so.
# Usage: games_restore.sh DESKTOP BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
build=$2
"start_$which"
install_recording_shell
main="晴川影音同乐会 V1.31"
games="休闲游戏"
find_window() {
    w=$(timeout 5 xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$w" ] && echo "$w"
}
# The frame's outer box: the window's own box grown by the frame's extents.
outer() {
    info=$(xwininfo -id "$1")
    X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
    Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
    WIDTH=$(echo "$info" | sed -n 's/.*Width: *//p')
    HEIGHT=$(echo "$info" | sed -n 's/.*Height: *//p')
    ext=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
    l=$(echo "$ext" | cut -d, -f1) r=$(echo "$ext" | cut -d, -f2)
    t=$(echo "$ext" | cut -d, -f3) b=$(echo "$ext" | cut -d, -f4)
    echo "$((WIDTH + l + r))x$((HEIGHT + t + b))+$((X - l))+$((Y - t))"
}
maximised() { xprop -id "$1" _NET_WM_STATE | grep -q '_NET_WM_STATE_MAXIMIZED_VERT.*_NET_WM_STATE_MAXIMIZED_HORZ\|_NET_WM_STATE_MAXIMIZED_HORZ.*_NET_WM_STATE_MAXIMIZED_VERT'; }
restored_as_designed() { ! maximised "$1" && [ "$(outer "$1")" = "544x375+204+157" ]; }

"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
wait_for 30 find_window "$main" || fail "no main window"
wid=$(find_window "$main")
outer "$wid" >/dev/null  # the window's own box: X, Y, WIDTH, HEIGHT
# Its menu bar lies right above the client area, whatever caption is above it.
menu_x=$((X + 20)) menu_y=$((Y + HEIGHT - 341 - 10))
# 休闲游戏 › 经典推荐 › 波斯王子: the first menu, left twice to the games menu, into its first group.
xdotool mousemove $menu_x $menu_y click 1
sleep 0.5
xdotool key Left Left Right Return
wait_for 30 find_window "$games" || fail "no games window: $(tail -n 5 "$work/viewer.log")"
g=$(find_window "$games")
wait_for 10 maximised "$g" || fail "the games window was not shown maximised"
sleep 1  # past the window's own wait for a window manager

# Restored by a double-click on its title bar.
outer "$g" >/dev/null
top=$(xprop -id "$g" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | cut -d, -f3 | tr -d ' ')
xdotool mousemove $((X + WIDTH / 2)) $((Y - top / 2)) click --repeat 2 --delay 80 1
wait_for 5 restored_as_designed "$g" || fail "restored by a double-click: $(outer "$g"), not 544x375+204+157"

# Maximised again and restored by a request.
wmctrl -i -r "$g" -b add,maximized_vert,maximized_horz
wait_for 5 maximised "$g" || fail "not maximised again"
wmctrl -i -r "$g" -b remove,maximized_vert,maximized_horz
wait_for 5 restored_as_designed "$g" || fail "restored by wmctrl: $(outer "$g"), not 544x375+204+157"

# Closed while restored, shown by the next game: as the user left it.
wmctrl -i -c "$g"
wait_for 5 sh -c "! xdotool search --onlyvisible --name '^$games\$' >/dev/null 2>&1" || fail "the games window did not close"
xdotool mousemove $menu_x $menu_y click 1
sleep 0.5
xdotool key Left Left Right Return
wait_for 30 find_window "$games" || fail "the next game showed no window"
g=$(find_window "$games")
sleep 1
restored_as_designed "$g" || fail "shown again: $(outer "$g"), not as the user left it"
echo "games window on $desktop: restores to 544 x 375 at 204, 157"
