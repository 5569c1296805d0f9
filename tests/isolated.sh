#!/bin/sh
# Runs a command in network and mount namespaces of its own: only loopback is up, so nothing it does
# can reach another host or look up a name; /tmp is a private tmpfs, so its X server, lock files
# and temporary files are its own (no two tests can contend for a display), and a test may bind
# files of its own over the machine's (a private /etc/hosts) without touching them.
exec unshare --net --mount --propagation private \
    sh -c 'mount -t tmpfs -o mode=1777 tmpfs /tmp && ip link set lo up && exec "$@"' isolated "$@"
