#!/bin/sh
# A test on an X server of its own, in a network namespace with only loopback.
here=$(dirname "$0")
exec "$here/isolated.sh" "$here/xvfb.sh" "$@"
