# Shared by the end-to-end tests: an Xvfb of our own, a recording xdg-open, bounded waits.
# Every process started here is ended by its PID.

set -eu
# The tools that read window names (xdotool's patterns) need a UTF-8 locale for the Chinese
# captions; a service's bare environment has none.
case ${LC_ALL:-${LC_CTYPE:-${LANG:-}}} in
*UTF-8* | *utf8*) ;;
*) LC_ALL=C.UTF-8 && export LC_ALL ;;
esac
work=$(mktemp -d)
pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb on a free display and exports DISPLAY. XVFB_SCREEN: its size, 1024x768x24.
start_xvfb() {
    exec 3>"$work/display"
    # -noreset: by default the server resets when its last client leaves, and refuses connections
    # while it does; a client that came just then (a program started after a short-lived xdotool or
    # dbus-launch) failed to connect, now and then.
    Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
    pids="$pids $!"
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
}

# Starts Xvfb as start_xvfb does, but one that lets in only clients with its cookie, as a
# desktop's X server does; exports DISPLAY and XAUTHORITY (a file any user may read). The server
# takes every cookie of its file, whatever display it names; clients look up their display's.
start_xvfb_with_cookie() {
    cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    : >"$work/server-auth"
    : >"$work/xauthority"
    xauth -q -f "$work/server-auth" add :0 . "$cookie"
    exec 3>"$work/display"
    Xvfb -displayfd 3 -auth "$work/server-auth" -screen 0 1024x768x24 -nolisten tcp -noreset \
        >"$work/xvfb.log" 2>&1 &
    pids="$pids $!"
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    DISPLAY=":$(cat "$work/display")"
    XAUTHORITY="$work/xauthority"
    export DISPLAY XAUTHORITY
    xauth -q -f "$XAUTHORITY" add "$DISPLAY" . "$cookie"
    chmod 644 "$XAUTHORITY"
}

# A recording xdg-open first on PATH: each call appends its argument count and arguments.
install_recording_shell() {
    mkdir -p "$work/bin"
    cat >"$work/bin/xdg-open" <<EOS
#!/bin/sh
env >"$work/opened-env"
printf '%s\n' "\$#" "\$@" >>"$work/opened"
EOS
    chmod +x "$work/bin/xdg-open"
    PATH="$work/bin:$PATH"
    export PATH
    : >"$work/opened"
}

# Waits up to $1 seconds for command "$2..." to succeed.
wait_for() {
    limit=$1
    shift
    for _ in $(seq $((limit * 10))); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# Answers host name $1 with 127.0.0.1: a private /etc/hosts, bound over the real one in this
# test's own mount namespace (tests/isolated.sh); the machine's file is untouched.
map_host_to_loopback() {
    [ "$(readlink /proc/self/ns/mnt)" != "$(readlink /proc/1/ns/mnt)" ] || fail "not in a mount namespace of its own"
    { echo "127.0.0.1 localhost"; echo "127.0.0.1 $1"; } >"$work/hosts"
    mount --bind "$work/hosts" /etc/hosts || fail "could not map $1 to 127.0.0.1"
    getent hosts "$1" | grep -q '^127\.0\.0\.1' || fail "$1 does not resolve to 127.0.0.1"
}
