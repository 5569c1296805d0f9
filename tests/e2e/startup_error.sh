#!/bin/sh
# When a part can't be created the viewer doesn't start: the "Application Error" box, no main
# window, exit code 1 once the box is answered. Two such parts: the games engine (the viewer alone,
# without libqingchuan-flash.so beside it) and the player's engine (a libvlc without its functions
# found first). Usage: startup_error.sh BUILD_DIR
. "$(dirname "$0")/lib.sh"
build=$1
start_xvfb

# Runs the viewer at $1 (with the environment given after it) and expects the box.
expect_error_box() {
    exe=$1
    shift
    env "$@" "$exe" >"$work/viewer.log" 2>&1 &
    viewer=$!
    pids="$viewer $pids"
    # The engine's start is bounded by 10 s; on a loaded machine, under the sanitizers, the viewer's
    # own start takes a while more.
    wait_for 60 xdotool search --onlyvisible --name "^Application Error\$" || fail "$exe: no Application Error box"
    xdotool search --onlyvisible --name "晴川影音同乐会" >/dev/null 2>&1 && fail "$exe: the main window was shown"
    # Answer the box; its window can be replaced while it settles, so look it up afresh each time.
    for _ in $(seq 50); do
        kill -0 "$viewer" 2>/dev/null || break
        box=$(xdotool search --onlyvisible --name "^Application Error\$" 2>/dev/null | head -n 1)
        [ -n "$box" ] && { xdotool key --window "$box" Return 2>/dev/null || xdotool key Return 2>/dev/null || true; }
        sleep 0.2
    done
    rc=0
    wait "$viewer" || rc=$?
    [ "$rc" -eq 1 ] || fail "$exe: exit code $rc, want 1"
}

mkdir -p "$work/alone" "$work/novlc" "$work/fakelib"
cp "$build/qingchuan" "$build/qingchuan-engine" "$work/alone/"
expect_error_box "$work/alone/qingchuan"
echo "startup error without the games engine: box shown, no main window, exit code 1"

cp "$build/qingchuan" "$build/qingchuan-engine" "$build/libqingchuan-flash.so" "$work/novlc/"
echo 'int qingchuan_not_libvlc;' >"$work/fakelib/empty.c"
cc -shared -fPIC -o "$work/fakelib/libvlc.so.5" "$work/fakelib/empty.c"
expect_error_box "$work/novlc/qingchuan" LD_LIBRARY_PATH="$work/fakelib"
echo "startup error without the player's engine: box shown, no main window, exit code 1"
