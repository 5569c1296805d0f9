#!/usr/bin/env bash
# What drawing the picture costs, native window against frames painted by the player's widget,
# on a 720x576 and a 1280x720 clip at 25 pictures a second, alternating in fresh processes.
# Usage: pictures.sh BUILD_DIR RUNS   (on an X server: run it through tests/xvfb.sh)
set -euo pipefail
build=$1 runs=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 720x576 1280x720; do
    ffmpeg -loglevel error -f lavfi -i "testsrc2=size=$size:rate=25" -t 14 -c:v wmv2 -b:v 2M \
        "$work/$size.wmv"
done
# Served on loopback: the engine opens network addresses only.
python3 -m http.server 8931 --bind 127.0.0.1 --directory "$work" >/dev/null 2>&1 &
server=$!
trap 'kill $server; rm -rf "$work"' EXIT
for _ in $(seq 50); do
    python3 -c 'import urllib.request; urllib.request.urlopen("http://127.0.0.1:8931/", timeout=2)' 2>/dev/null && break
    sleep 0.1
done
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
for size in 720x576 1280x720; do
    for _ in $(seq "$runs"); do
        for how in native frames; do
            "$build/bench/picture_cost" "--$how" "http://127.0.0.1:8931/$size.wmv" 8 2>/dev/null >>"$work/$how-$size" ||
                echo "$how $size: a run FAILED" >&2
        done
    done
    for how in native frames; do
        cpu=$(awk '{print $5}' "$work/$how-$size" | median)
        pss=$(awk '{print $10}' "$work/$how-$size" | median)
        echo "$cpu $pss" >"$work/$how-$size.m"
        printf 'picture %-8s %-6s median cpu %.3f ms a picture, PSS %.1f MB (%s runs)\n' "$size" "$how" "$cpu" "$pss" "$runs"
    done
    read -r ncpu npss <"$work/native-$size.m"
    read -r fcpu fpss <"$work/frames-$size.m"
    printf 'picture %-8s frames / native: cpu %.2f, PSS %.2f\n' "$size" "$(echo "$fcpu / $ncpu" | bc -l)" \
        "$(echo "$fpss / $npss" | bc -l)"
done
