#!/bin/sh
# Runs a command in network and mount namespaces of its own. Only loopback is up, so nothing it
# does can reach another host or look up a name; a test may bind files of its own over the
# machine's (a private /etc/hosts) without touching them.
#
# Its temporary files are its own: TMPDIR is a private tmpfs, gone when the command ends. So are
# its X servers' sockets: /tmp/.X11-unix is a private tmpfs too (the network namespace already
# hides the abstract sockets), so no two tests meet there and none reaches the user's display by
# mistake; the servers' lock files in /tmp keep their numbers apart. The rest of /tmp is left as it
# is: a tree checked out there works.
#
# --display: the command is a program for the user's own display (the viewer): it keeps the X
# socket folder, $XAUTHORITY and $XDG_RUNTIME_DIR (the Wayland and session bus sockets), and
# started by a user other than root it runs as that user, in a user namespace of its own (where
# unprivileged ones are turned off, through sudo, dropping back to the user). Without it, a user
# other than root runs the command as root of a user namespace, which may make the mounts tests do.
#
# No session bus unless there is one to reach: without an address, libdbus would autolaunch one
# on the X server, and Qt's accessibility bridge can wait on it for good.
#
# Usage: isolated.sh [--display] COMMAND [ARG...]
display=0
if [ "${1:-}" = --display ]; then
    display=1
    shift
fi
[ $# -gt 0 ] || {
    echo "usage: isolated.sh [--display] COMMAND [ARG...]" >&2
    exit 2
}
if [ $display = 0 ] || [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/session-bus
    export DBUS_SESSION_BUS_ADDRESS
fi
if [ $display = 0 ]; then
    # The tests' windows go to their own X servers, not to the user's Wayland compositor.
    unset WAYLAND_DISPLAY XDG_SESSION_TYPE
fi

uid=$(id -u)
gid=$(id -g)
# The X servers' socket folder, as systemd makes it at boot; a container may not have one.
[ -d /tmp/.X11-unix ] || [ "$uid" != 0 ] || mkdir -m 1777 /tmp/.X11-unix
private=$(mktemp -d "${TMPDIR:-/tmp}/isolated.XXXXXX") || exit 1

# Inside: $1 private folder, $2 keep the display, $3 "drop" to become $4:$5 again; then the command.
inner='
set -e
ip link set lo up
mount -t tmpfs -o mode=1777 tmpfs "$1"
TMPDIR=$1
export TMPDIR
if [ "$2" = 0 ] && [ -d /tmp/.X11-unix ]; then mount -t tmpfs -o mode=1777 tmpfs /tmp/.X11-unix; fi
how=$3 uid=$4 gid=$5
shift 5
set +e
case $how in
userns) exec unshare --user --map-user="$uid" --map-group="$gid" "$@" ;;
setpriv) exec setpriv --reuid="$uid" --regid="$gid" --init-groups "$@" ;;
*) exec "$@" ;;
esac'
ns="unshare --net --mount --propagation private"
if [ "$uid" = 0 ]; then
    $ns sh -c "$inner" isolated "$private" $display stay "$uid" "$gid" "$@"
elif unshare --user --map-root-user true 2>/dev/null; then
    how=stay
    [ $display = 0 ] || how=userns
    $ns --user --map-root-user sh -c "$inner" isolated "$private" $display $how "$uid" "$gid" "$@"
elif [ $display = 1 ]; then
    sudo -E $ns sh -c "$inner" isolated "$private" $display setpriv "$uid" "$gid" "$@"
else
    echo "isolated.sh: needs root, sudo or unprivileged user namespaces" >&2
    false
fi
rc=$?
rmdir "$private" 2>/dev/null
exit $rc
