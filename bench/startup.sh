#!/usr/bin/env bash
# Start-up of the viewer against the floor, alternating, on the current X server; with a second
# build folder, that build's viewer too, in the same turns (before and after a change).
# Usage: startup.sh BUILD_DIR RUNS [BEFORE_BUILD_DIR]
set -euo pipefail
build=$1 runs=$2 before=${3:-}
caption="晴川影音同乐会 V1.31"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for _ in $(seq "$runs"); do
    "$build/bench/map-timer" "$caption" "$build/qingchuan" >>"$work/viewer"
    "$build/bench/map-timer" "$caption" "$build/bench/qingchuan-floor" >>"$work/floor"
    [ -z "$before" ] || "$build/bench/map-timer" "$caption" "$before/qingchuan" >>"$work/before"
done
median() { sort -n "$1" | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
v=$(median "$work/viewer")
f=$(median "$work/floor")
# The machine's speed drifts over a run: each viewer start is compared with the floor's next to it.
paste "$work/viewer" "$work/floor" | awk '{printf "%.4f\n", $1 / $2}' >"$work/ratios"
printf 'start-up to window mapped (median of %s): viewer %s ms, floor %s ms; ratio %.2f (median of the pairs %.2f)\n' \
    "$runs" "$v" "$f" "$(echo "$v / $f" | bc -l)" "$(median "$work/ratios")"
if [ -n "$before" ]; then
    b=$(median "$work/before")
    paste "$work/viewer" "$work/before" | awk '{printf "%.4f\n", $1 / $2}' >"$work/against"
    printf 'start-up, this build against %s: %s ms against %s ms; ratio %.2f (median of the pairs %.2f)\n' \
        "$before" "$v" "$b" "$(echo "$v / $b" | bc -l)" "$(median "$work/against")"
fi
