# Shared by the end-to-end tests: an Xvfb of our own, a recording xdg-open, bounded waits.
# Every process started here is ended by its PID.

set -eu
work=$(mktemp -d)
pids=""
cleanup() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    pids="$pids $!"
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || fail "Xvfb did not start"
    DISPLAY=":$(cat "$work/display")"
    export DISPLAY
}

# A recording xdg-open first on PATH: each call appends its argument count and arguments.
install_recording_shell() {
    mkdir -p "$work/bin"
    cat >"$work/bin/xdg-open" <<EOS
#!/bin/sh
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
