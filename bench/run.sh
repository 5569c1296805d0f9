#!/usr/bin/env bash
# The benchmarks, side by side in one run (the machine is noisy: compare ratios and medians).
# - start-up: process start to the main window mapped on the X server, viewer against the floor
#   (a bare window with the same menu bar), alternating;
# - memory when idle, viewer against the floor;
# - drawing the picture: libvlc's own window against the player's painted frames, CPU a picture
#   and memory, on a 720x576 and a 1280x720 clip;
# - a session in the viewer's windows: memory after 50 play entries and after the first game,
#   play entry to state 3 (direct file, ASX), game entry to pixels (next game), a busy movie's script;
# - the first game, each in a fresh process: its time, and the memory of everything with it playing,
#   with the games engine's memory watch and without it (the ratio is the watch's cost);
# - the media engine in the viewer's process against its own process: start to ready, open to the
#   first picture, PSS while playing;
# - the games engine drawn each way where there is no GPU (QINGCHUAN_GPU=0: canvas only; unset:
#   canvas first, software OpenGL for the movies that need it; 1: OpenGL throughout), side by side:
#   first game and its memory (fresh processes, taking turns), next game, busy script, next game
#   after a movie whose script never ends;
# - reading the catalogue and building the menu bar.
# RUNS (default 11, at least 9 for the README's figures) samples of each time.
# BEFORE: another build folder, whose viewer starts in the same turns (before and after a change).
# Everything runs in a network namespace with only loopback, on an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
./scripts/build.sh >/dev/null
runs=${RUNS:-11}
build=$PWD/build
log=$build/bench.log  # what the programs said on the way (the engines are chatty)
: >"$log"
on_x() { tests/isolated.sh tests/xvfb.sh "$@"; }

on_x bench/startup.sh "$build" "$runs" ${BEFORE:+"$BEFORE"} 2>>"$log"
on_x bench/idle_memory.sh "$build" 3 2>>"$log"
on_x bench/pictures.sh "$build" "$((runs < 5 ? runs : 5))" 2>>"$log"
on_x "$build/bench/session" --runs="$runs" 2>>"$log" || echo "session: some samples FAILED (see above and $log)"
tests/isolated.sh "$build/bench/engine_bench" --runs="$runs" 2>>"$log" || echo "engine: some samples FAILED (see $log)"
first=$(mktemp)
pss=$(mktemp)
first_unwatched=$(mktemp)
pss_unwatched=$(mktemp)
trap 'rm -f "$first" "$pss" "$first_unwatched" "$pss_unwatched"' EXIT
# The first game with the engine's memory watch, and without it (bench/unwatched), alternating.
for _ in $(seq "$runs"); do
    out=$(on_x "$build/bench/session" --first-game 2>>"$log" || true)
    awk '/^first game [0-9]/ && $3 >= 0 {print $3}' <<<"$out" >>"$first"
    awk '/^first game pss/ {print $4}' <<<"$out" >>"$pss"
    out=$(on_x "$build/bench/session" --first-game --module-dir="$build/bench/unwatched" 2>>"$log" || true)
    awk '/^first game [0-9]/ && $3 >= 0 {print $3}' <<<"$out" >>"$first_unwatched"
    awk '/^first game pss/ {print $4}' <<<"$out" >>"$pss_unwatched"
done
summary() {  # file, what, unit
    sort -n "$1" | awk -v n="$runs" -v what="$2" -v unit="$3" '{a[NR]=$1} END {
        if (NR < n) printf "%s: %d of %d runs FAILED\n", what, n - NR, n;
        if (NR) printf "%-36s median %7.1f %s, min %7.1f, max %7.1f (%d runs, each a fresh process)\n",
            what, a[int((NR+1)/2)], unit, a[1], a[NR], NR }'
}
median() { sort -n "$1" | awk '{a[NR]=$1} END {if (NR) print a[int((NR+1)/2)]; else print "nan"}'; }
summary "$first" "game entry to pixels, first game" ms
summary "$pss" "one game playing, PSS of all" MB
summary "$first_unwatched" "  the same without the memory watch" ms
summary "$pss_unwatched" "  the same without the memory watch" MB
awk -v a="$(median "$first")" -v b="$(median "$first_unwatched")" -v c="$(median "$pss")" \
    -v d="$(median "$pss_unwatched")" 'BEGIN {
    printf "memory watch: first game to pixels x%.3f, PSS with a game playing x%.3f (medians, watched/unwatched)\n",
        a / b, c / d }'

# The ways the engine draws, side by side: "-" leaves QINGCHUAN_GPU unset.
drawings=(0 - 1)
declare -A firsts pss_of
for d in "${drawings[@]}"; do
    firsts[$d]=$(mktemp)
    pss_of[$d]=$(mktemp)
done
trap 'rm -f "$first" "$pss" "$first_unwatched" "$pss_unwatched" "${firsts[@]}" "${pss_of[@]}"' EXIT
with_drawing() {  # drawing, command...
    local d=$1
    shift
    if [ "$d" = - ]; then env -u QINGCHUAN_GPU "$@"; else QINGCHUAN_GPU=$d "$@"; fi
}
for _ in $(seq "$runs"); do
    for d in "${drawings[@]}"; do
        out=$(with_drawing "$d" tests/isolated.sh tests/xvfb.sh "$build/bench/session" --first-game 2>>"$log" || true)
        awk '/^first game [0-9]/ && $3 >= 0 {print $3}' <<<"$out" >>"${firsts[$d]}"
        awk '/^first game pss/ {print $4}' <<<"$out" >>"${pss_of[$d]}"
    done
done
for d in "${drawings[@]}"; do
    echo "-- games engine, QINGCHUAN_GPU=${d/-/unset}"
    summary "${firsts[$d]}" "game entry to pixels, first game" ms
    summary "${pss_of[$d]}" "one game playing, PSS of all" MB
    with_drawing "$d" tests/isolated.sh tests/xvfb.sh "$build/bench/session" --games --runs="$runs" 2>>"$log" |
        grep -E "next game|busy|after the first game" || echo "games: some samples FAILED (see $log)"
done
"$build/bench/bench_menus" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true 2>>"$log" |
    grep -E "median|Benchmark"
