#!/bin/sh
# Runs a command in network and mount namespaces of its own: only loopback is up, so nothing it does
# can reach another host or look up a name; /tmp is a private tmpfs, so its X server, lock files
# and temporary files are its own (no two tests can contend for a display), and a test may bind
# files of its own over the machine's (a private /etc/hosts) without touching them.
# No session bus unless a test starts its own: without an address, libdbus would autolaunch one
# on the X server, and Qt's accessibility bridge can wait on it for good.
DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/session-bus
export DBUS_SESSION_BUS_ADDRESS
exec unshare --net --mount --propagation private \
    sh -c 'mount -t tmpfs -o mode=1777 tmpfs /tmp && ip link set lo up && exec "$@"' isolated "$@"
