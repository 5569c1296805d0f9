#!/usr/bin/env bash
# The benchmarks, side by side in one run (the machine is noisy: compare ratios, not seconds).
# Start-up: process start to the main window mapped on the X server, viewer against the floor,
# alternating, RUNS times each (default 11); then the catalogue and menu-bar build.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
./scripts/build.sh >/dev/null
runs=${RUNS:-11}
build=$PWD/build

tests/isolated.sh tests/xvfb.sh bench/startup.sh "$build" "$runs"
"$build/bench/bench_menus" --benchmark_repetitions=9 --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E "median|Benchmark"
