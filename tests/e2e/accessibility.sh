#!/bin/sh
# The picture buttons as assistive technology sees them: the real viewer under Xvfb, on a D-Bus
# session of its own with the accessibility bus; 全屏观看 and 升级更新 are found over AT-SPI as
# push buttons of those names and pressed. 升级更新 then runs the update check, which (the maker's
# host unreachable here) says 网络连接失败，请稍候重试。 in an Information box.
# Usage: accessibility.sh BUILD_DIR
. "$(dirname "$0")/lib.sh"
build=$1
here=$(dirname "$0")
start_xvfb
install_recording_shell
caption="晴川影音同乐会 V1.31"
main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null; }
boxes() { timeout 5 xdotool search --onlyvisible --name '^Information$' 2>/dev/null; }
a_box_is_up() { [ -n "$(boxes)" ]; }

# Qt speaks AT-SPI when asked to, whatever the desktop says.
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON
# One D-Bus session for the viewer and the test; the accessibility bus is started on demand.
eval "$(dbus-launch --sh-syntax)"
pids="$pids $DBUS_SESSION_BUS_PID"

"$build/qingchuan" >"$work/viewer.log" 2>&1 &
viewer=$!
pids="$viewer $pids"
wait_for 30 main_window || fail "no main window: $(tail -n 5 "$work/viewer.log")"
sleep 2  # past the silent check at start-up, which says nothing of a failure

# Debian's python3 (python3-pyatspi), whatever else is first on PATH.
for name in 全屏观看 升级更新; do
    out=$(timeout 40 /usr/bin/python3 "$here/atspi_press.py" qingchuan "$name") || fail "no button named $name over AT-SPI"
    [ "$out" = "push button Press" ] || fail "$name is '$out', not a push button with a press action"
done

# 全屏观看 with nothing playing does nothing: no window, no box, the viewer goes on.
timeout 40 /usr/bin/python3 "$here/atspi_press.py" qingchuan 全屏观看 --press >/dev/null || fail "could not press 全屏观看"
sleep 1
[ -z "$(boxes)" ] || fail "全屏观看 raised a box"
kill -0 "$viewer" || fail "the viewer ended after 全屏观看"

# 升级更新 runs the interactive check, as a click does.
timeout 40 /usr/bin/python3 "$here/atspi_press.py" qingchuan 升级更新 --press >/dev/null || fail "could not press 升级更新"
wait_for 20 a_box_is_up || fail "升级更新 pressed over AT-SPI showed no box"
kill -0 "$viewer" || fail "the viewer ended"
echo "accessibility: 全屏观看 and 升级更新 are push buttons, found and pressed by name"
