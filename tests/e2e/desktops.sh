# Desktops for end-to-end tests, after lib.sh: an X server with a real window manager (openbox,
# xfwm4), weston (headless) with XWayland, weston with only its Wayland socket; and a screenshot
# of whichever runs. Each start_* exports what a program needs to reach it (DISPLAY, or
# WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland) and sets $desktop; every process is ended by its
# PID when the test ends (lib.sh). DESKTOP_SCALE (weston): the output's scale, 1 by default.

# True once a window manager has claimed the X screen.
wm_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

start_openbox() {
    start_xvfb
    # Its own configuration folder: no user's rc.xml, no autostart.
    XDG_CONFIG_HOME="$work/openbox-config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    pids="$pids $!"
    wait_for 10 wm_runs || fail "openbox did not start: $(tail -n 3 "$work/openbox.log")"
    desktop=openbox
}

start_xfwm4() {
    start_xvfb
    # Its settings come from xfconfd over a session bus: one of its own, with a home of its own.
    mkdir -p "$work/xfwm4-home"
    bus=$(HOME="$work/xfwm4-home" dbus-daemon --session --fork --print-address=1 --print-pid=1) ||
        fail "no session bus for xfwm4"
    pids="$pids $(echo "$bus" | sed -n 2p)"
    # No compositor, as on a plain X server.
    HOME="$work/xfwm4-home" DBUS_SESSION_BUS_ADDRESS=$(echo "$bus" | sed -n 1p) \
        xfwm4 --compositor=off --sm-client-disable >"$work/xfwm4.log" 2>&1 &
    pids="$pids $!"
    wait_for 10 wm_runs || fail "xfwm4 did not start: $(tail -n 3 "$work/xfwm4.log")"
    desktop=xfwm4
}

# weston on its headless back end, with a private runtime folder; $1: more options.
start_weston() {
    XDG_RUNTIME_DIR="$work/runtime"
    export XDG_RUNTIME_DIR
    mkdir -p -m 700 "$XDG_RUNTIME_DIR"
    # Pixman draws for real (the back end draws nothing by default); --debug lets
    # weston-screenshooter take pictures; no idle time: the screen never blanks.
    weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --scale="${DESKTOP_SCALE:-1}" \
        --socket=qc-weston --idle-time=0 --debug $1 --log="$work/weston.log" >"$work/weston.out" 2>&1 &
    pids="$pids $!"
    wait_for 10 test -S "$XDG_RUNTIME_DIR/qc-weston" || fail "weston did not start: $(tail -n 3 "$work/weston.log")"
    # The desktop shell's own client is up once its panel or background is drawn.
    sleep 1
}

# weston with XWayland: X programs see an X server (started on the first connection), drawn and
# managed by weston.
start_weston_xwayland() {
    start_weston --xwayland
    wait_for 10 grep -q 'xserver listening on display' "$work/weston.log" || fail "weston has no XWayland"
    DISPLAY=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -n 1)
    # X it is, whatever session the test was started from says.
    QT_QPA_PLATFORM=xcb
    export DISPLAY QT_QPA_PLATFORM
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE
    desktop=weston-xwayland
}

# weston with only its Wayland socket: Qt programs use their Wayland platform (qt6-wayland).
start_weston_wayland() {
    start_weston ""
    WAYLAND_DISPLAY=qc-weston
    QT_QPA_PLATFORM=wayland
    export WAYLAND_DISPLAY QT_QPA_PLATFORM
    unset DISPLAY XDG_SESSION_TYPE
    desktop=weston-wayland
}

# A screenshot of the whole desktop into $1 (PNG).
desktop_shot() {
    case $desktop in
    weston-*)
        rm -rf "$work/shots"
        mkdir -p "$work/shots"
        (cd "$work/shots" && WAYLAND_DISPLAY=qc-weston timeout 10 weston-screenshooter) >/dev/null 2>&1 ||
            fail "weston-screenshooter failed"
        mv "$work"/shots/*.png "$1"
        ;;
    *) timeout 10 import -window root "$1" || fail "no screenshot of the X screen" ;;
    esac
}
