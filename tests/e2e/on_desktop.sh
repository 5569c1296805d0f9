#!/bin/sh
# Runs a command on one of the desktops of desktops.sh (openbox, xfwm4, weston_xwayland,
# weston_wayland), in this test's namespaces; its exit code is the command's.
# Usage: on_desktop.sh DESKTOP COMMAND [ARG...]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/desktops.sh"
which=$1
shift
"start_$which"
"$@"
