#!/bin/sh
# The main window on HiDPI screens, as a desktop sets them (Xft.dpi): at 2x its pictures are the
# 2x drawings, pixel for pixel in a screenshot, not the 1x bitmaps blown up; at 1.5x the menu
# bar shows no seams between its items (the bar's rows below the captions are one colour across).
# Usage: hidpi.sh SOURCE BUILD
. "$(dirname "$0")/lib.sh"
src=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
pictures="$src/resources/pictures"
caption="晴川影音同乐会 V1.31"
main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1 | grep .; }
XVFB_SCREEN=1600x1200x24
start_xvfb
run_at() {  # dpi: starts the viewer at that Xft.dpi, leaves a screenshot in $work/shot-DPI.png
    echo "Xft.dpi: $1" | xrdb -merge
    "$build/qingchuan" >"$work/viewer-$1.log" 2>&1 &
    viewer=$!
    pids="$viewer $pids"
    wait_for 30 main_window || fail "no main window at Xft.dpi $1"
    sleep 1.5
    import -window root "$work/shot-$1.png"
    info=$(xwininfo -id "$(main_window)")
    kill "$viewer"
    wait "$viewer" 2>/dev/null || true
}

run_at 192
cp "$work/shot-192.png" "$build/hidpi-screenshot.png"
found() { "$here/find_picture.py" "$work/shot-192.png" "$pictures/$1" $2 >/dev/null; }
found image1@2x.png "808 68 356 520" || fail "at 2x the background is not its 2x drawing (see $build/hidpi-screenshot.png)"
found image3@2x.png "" || fail "at 2x 升级更新 is not its 2x drawing"
found image6@2x.png "" || fail "at 2x 全屏观看 is not its 2x drawing"

run_at 144
w=$(echo "$info" | sed -n 's/.*Width: *//p')
h=$(echo "$info" | sed -n 's/.*Height: *//p')
x=$(echo "$info" | sed -n 's/.*Absolute upper-left X: *//p')
y=$(echo "$info" | sed -n 's/.*Absolute upper-left Y: *//p')
bar=$((h - 512))  # the client area is 341 x 1.5 pixels high, below the bar
for row in $((bar - 3)) $((bar - 2)) $((bar - 1)); do
    colours=$(convert "$work/shot-144.png" -crop "${w}x1+$x+$((y + row))" +repage txt:- | awk 'NR > 1 { print $3 }' | sort -u | wc -l)
    [ "$colours" -eq 1 ] || fail "at 1.5x row $row of the menu bar has $colours colours: seams between its items"
done
echo "hidpi: the 2x drawings at 2x; no seams in the menu bar at 1.5x"
