#!/bin/sh
# The picture on a real window manager: a play entry (网络电视 › 大陆电视台 › 中央电视台 › CCTV-1, an
# ASX) with its host served on 127.0.0.1 plays a test pattern, and the pattern is on the screen where the
# player is, in the screenshot of the whole desktop (kept as BUILD/picture-DESKTOP.png), not a
# black picture; then real clicks spread across the play/pause button each pause or play it,
# judged by the picture (frozen or moving): nothing of the player's may cover its controls.
# Last, the media engine's process is killed mid-play: the viewer lives on, the picture goes,
# and the same entry chosen again plays in a fresh engine.
# Usage: picture.sh DESKTOP SOURCE BUILD
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
src=$2
build=$3
here=$(cd "$(dirname "$0")" && pwd)
map_host_to_loopback live.cctv.example
mkdir -p "$work/www/tv"
ffmpeg -loglevel error -f lavfi -i "testsrc=size=320x240:rate=25" -t 60 -c:v wmv2 -b:v 1M "$work/www/clip.wmv" ||
    fail "no clip"
printf '<asx version="3.0"><entry><ref href="http://live.cctv.example/clip.wmv"/></entry></asx>\n' \
    >"$work/www/tv/cctv1.asx"
python3 -m http.server 80 --bind 127.0.0.1 --directory "$work/www" >"$work/server.log" 2>&1 &
pids="$pids $!"
answers() { python3 -c 'import urllib.request; urllib.request.urlopen("http://127.0.0.1/tv/cctv1.asx", timeout=2)'; }
wait_for 10 answers || fail "the server did not start"
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

# The pattern's colours in the middle of the picture (testsrc: bright colour bars and a moving
# gradient), and whether it moves.
area="300x180+$((left + 50))+$((top + 60))"
bars() {
    desktop_shot "$shot"
    convert "$shot" -crop "$area" +repage -colors 16 -format '%c' histogram:info:- | awk '{ n++ } END { print n + 0 }'
}
drawn() { [ "$(bars)" -ge 6 ]; }
wait_for 30 drawn || fail "no picture on $desktop while it plays: $(bars) colours (see $shot) $(tail -n 5 "$work/viewer.log")"
moving() {
    desktop_shot "$work/a.png"
    sleep 1
    desktop_shot "$work/b.png"
    [ "$(compare -metric AE -crop "$area" "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1)" != 0 ]
}
wait_for 10 moving || fail "the picture does not move while it plays"
# The play/pause button: 18 pixels square, its middle 22, 328 from the client area's top left.
answered=0
clicks=0
for dx in -7 -3 0 3 7; do
    clicks=$((clicks + 1))
    xdotool mousemove $((left + 22 + dx)) $((top + 328)) click 1 mousemove $((left + 500)) $((top + 100))
    sleep 1.2
    if [ $((clicks % 2)) = 1 ]; then ! moving && answered=$((answered + 1)); else moving && answered=$((answered + 1)); fi
done
[ "$answered" = "$clicks" ] || fail "the play/pause button answered $answered of $clicks clicks across it on $desktop"
kill -0 "$viewer" || fail "the viewer ended on $desktop"

choose() {
    for key in F10 Right Right Down Right Right Right Return; do
        xdotool key "$key"
        sleep 0.3
    done
}
engine=$(pgrep -P "$viewer" -f qingchuan-engine) || fail "no media engine process beside the viewer"
xdotool mousemove $((left + 22)) $((top + 328)) click 1  # playing again
sleep 1
kill -9 "$engine"
gone() { [ "$(bars)" -lt 3 ]; }
wait_for 10 gone || fail "the picture stayed after the engine was killed"
kill -0 "$viewer" || fail "the viewer ended with its engine"
choose
wait_for 30 drawn || fail "no picture after choosing the entry again"
wait_for 10 moving || fail "the picture does not move after the engine came back"
fresh=$(pgrep -P "$viewer" -f qingchuan-engine) || fail "no fresh engine"
[ "$fresh" != "$engine" ] || fail "the same engine process"
echo "picture on $desktop: the test pattern is on the screen, its button answers, a killed engine comes back; screenshot $shot"
