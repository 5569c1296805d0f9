#!/bin/sh
# Runs a command on an X server of its own (Xvfb on a free display), then ends that server. Its
# windows go there, not to a Wayland compositor the user may have.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
work=$(mktemp -d)
exec 3>"$work/display"
# -noreset: by default the server resets when its last client leaves, and refuses connections
# while it does; a client that came just then (a program started after a short-lived xdotool or
# dbus-launch) failed to connect, now and then.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
i=0
while [ ! -s "$work/display" ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
if [ ! -s "$work/display" ]; then
    echo "xvfb.sh: Xvfb did not start" >&2
    kill $xvfb 2>/dev/null
    exit 1
fi
DISPLAY=":$(cat "$work/display")" "$@"
rc=$?
kill $xvfb 2>/dev/null
wait $xvfb 2>/dev/null
rm -rf "$work"
exit $rc
