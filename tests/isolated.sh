#!/bin/sh
# Runs a command in a network namespace of its own with only loopback up: nothing it does can
# reach another host, nor look up a name. The X server's socket still works from inside.
exec unshare --net sh -c 'ip link set lo up && exec "$@"' isolated "$@"
