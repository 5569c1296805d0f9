#!/bin/sh
# The keyboard on the main window, under a real window manager (openbox), as a desktop user
# expects it: F10 opens the first menu (the same menu a click opens, pixel for pixel), and Alt
# marks the menu it selects (its caption as the open menu's is drawn, not as before).
# Usage: keys.sh BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
build=$1
start_openbox
caption="晴川影音同乐会 V1.31"
"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1 | grep .; }
wait_for 30 main_window || fail "no main window"
wid=$(main_window)
info=$(xwininfo -id "$wid")
X=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
Y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
HEIGHT=$(echo "$info" | sed -n 's/.*Height: *//p')
bar_y=$((Y + HEIGHT - 341 - 10))  # the middle of the menu bar, right above the client area
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ]; }
wait_for 10 focused || fail "the main window never had the keyboard"
sleep 0.5
shot() { import -window root -crop "$1" "$work/$2.png"; }
same() { cmp -s "$work/$1.png" "$work/$2.png" || [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = 0 ]; }
item="44x12+$((X + 4))+$((bar_y - 6))"        # the first menu's caption
menu="120x100+$X+$((bar_y + 12))"             # where its menu opens
shot "$item" item-before
shot "$menu" menu-before

# F10 opens the first menu; Escape closes it.
xdotool key F10
sleep 0.7
shot "$menu" menu-f10
same menu-before menu-f10 && fail "F10 opened no menu"
xdotool key Escape Escape
sleep 0.5
# The same menu opened by a click, the pointer then moved off it, for the pictures to compare.
xdotool mousemove $((X + 20)) "$bar_y" click 1 mousemove $((X + 300)) $((Y + HEIGHT - 100))
sleep 0.7
shot "$menu" menu-click
shot "$item" item-open
xdotool key Escape Escape
sleep 0.5
same menu-f10 menu-click || fail "F10 opened something else than the first menu"

# Alt: the first caption is marked, as it is while its menu is open.
shot "$item" item-idle
same item-before item-idle || fail "the first caption did not go back to its look after Escape"
xdotool key alt
sleep 0.5
shot "$item" item-alt
same item-idle item-alt && fail "Alt marks no menu"
same item-open item-alt || fail "Alt marks the first menu otherwise than an open one"
kill -0 "$viewer" || fail "the viewer ended"
echo "keys: F10 opens the first menu; Alt marks it"
