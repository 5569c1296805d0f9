#!/bin/sh
# The picture on a real window manager: a play entry (电视台 › 大陆电视台 › 中央电视台 › CCTV-1, an ASX) with
# its host served on 127.0.0.1 plays a test pattern, and the pattern is on the screen where the
# player is, in the screenshot of the whole desktop (kept as BUILD/picture-DESKTOP.png), not a
# black picture.
# Usage: picture.sh DESKTOP SOURCE BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
src=$2
build=$3
here=$(cd "$(dirname "$0")" && pwd)
map_host_to_loopback live.cctv.example
mkdir -p "$work/www/tv"
ffmpeg -loglevel error -f lavfi -i "smptebars=size=320x240:rate=25" -t 60 -c:v wmv2 -b:v 1M "$work/www/clip.wmv" ||
    fail "no clip"
printf '<asx version="3.0"><entry><ref href="http://live.cctv.example/clip.wmv"/></entry></asx>\n' \
    >"$work/www/tv/cctv1.asx"
python3 -m http.server 80 --bind 127.0.0.1 --directory "$work/www" >"$work/server.log" 2>&1 &
pids="$pids $!"
wait_for 10 curl -sf -o /dev/null http://127.0.0.1/tv/cctv1.asx || fail "the server did not start"
"start_$which"

"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
shot="$build/picture-$which.png"
# The client area's top left on the screen, from its background drawn there.
origin() {
    desktop_shot "$shot"
    at=$("$here/find_picture.py" "$shot" "$src/resources/pictures/image1.bmp" 404 34 178 260 | head -n 1) || return 1
    left=$((${at% *} - 404))
    top=$((${at#* } - 34))
}
wait_for 30 origin || fail "no main window drawn on $desktop: $(tail -n 5 "$work/viewer.log")"
origin

# The entry, by the keyboard: the first menu opened with F10, two menus right, down the tree.
caption="晴川影音同乐会 V1.31"
main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null | head -n 1 | grep .; }
wait_for 10 main_window || fail "no main window on $desktop's X server"
wid=$(main_window)
focused() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$wid" ]; }
wait_for 10 focused || xdotool windowactivate "$wid" 2>/dev/null || true
sleep 0.5
for key in F10 Right Right Down Right Right Right; do
    xdotool key "$key"
    sleep 0.3
done
desktop_shot "$work/menus.png"
xdotool key Return
wait_for 20 grep -q 'GET /clip.wmv' "$work/server.log" ||
    { cp "$work/menus.png" "$build/picture-$which-menus.png"; fail "the entry reached no server (menus: $build/picture-$which-menus.png): $(tail -n 5 "$work/viewer.log")"; }

# The pattern's colours in the middle of the picture: smptebars has seven bright bars.
bars() {
    desktop_shot "$shot"
    convert "$shot" -crop "300x100+$((left + 50))+$((top + 80))" +repage -colors 16 -format '%c' histogram:info:- |
        awk '{ n++ } END { print n + 0 }'
}
playing() { [ "$(bars)" -ge 6 ]; }
wait_for 30 playing || fail "no picture on $desktop while it plays: $(bars) colours (see $shot) $(tail -n 5 "$work/viewer.log")"
kill -0 "$viewer" || fail "the viewer ended on $desktop"
echo "picture on $desktop: the test pattern is on the screen; screenshot $shot"
