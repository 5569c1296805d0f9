#!/bin/sh
# Without its games engine the viewer can't start: the "Application Error" box, no main window,
# exit code 1 once the box is answered. Usage: startup_error.sh BUILD_DIR
. "$(dirname "$0")/lib.sh"
build=$1
start_xvfb
mkdir -p "$work/app"
cp "$build/qingchuan" "$work/app/qingchuan"  # alone: no libqingchuan-flash.so beside it

"$work/app/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
wait_for 20 xdotool search --onlyvisible --name "^Application Error\$" || fail "no Application Error box"
xdotool search --onlyvisible --name "晴川影音同乐会" >/dev/null 2>&1 && fail "the main window was shown"
# Answer the box; its window can be replaced while it settles, so look it up afresh each time.
for _ in $(seq 50); do
    kill -0 "$viewer" 2>/dev/null || break
    box=$(xdotool search --onlyvisible --name "^Application Error\$" 2>/dev/null | head -n 1)
    [ -n "$box" ] && { xdotool key --window "$box" Return 2>/dev/null || xdotool key Return 2>/dev/null || true; }
    sleep 0.2
done
rc=0
wait "$viewer" || rc=$?
[ "$rc" -eq 1 ] || fail "exit code $rc, want 1"
echo "startup error: box shown, no main window, exit code 1"
