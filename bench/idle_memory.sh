#!/usr/bin/env bash
# Memory of the viewer and of the floor when idle after start-up, on the current X server.
# Usage: idle_memory.sh BUILD_DIR RUNS
set -euo pipefail
build=$1 runs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kb() { awk -v k="$2" '$1 == k {print $2}' "$1"; }
sample() {  # program, output file
    "$1" >/dev/null 2>&1 &
    local pid=$!
    sleep 2.5  # start-up, and the viewer's silent update check a second in
    echo "$(kb /proc/$pid/status VmRSS:) $(kb /proc/$pid/smaps_rollup Pss:)" >>"$2"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
for _ in $(seq "$runs"); do
    sample "$build/qingchuan" "$work/viewer"
    sample "$build/bench/qingchuan-floor" "$work/floor"
done
median() { sort -n -k"$2" "$1" | awk -v c="$2" '{a[NR]=$c} END {print a[int((NR+1)/2)]}'; }
for who in viewer floor; do
    printf 'memory idle, %-6s (median of %s): resident %.1f MB, PSS %.1f MB\n' "$who" "$runs" \
        "$(echo "$(median "$work/$who" 1) / 1024" | bc -l)" "$(echo "$(median "$work/$who" 2) / 1024" | bc -l)"
done
printf 'memory idle, viewer / floor: resident %.2f\n' \
    "$(echo "$(median "$work/viewer" 1) / $(median "$work/floor" 1)" | bc -l)"
