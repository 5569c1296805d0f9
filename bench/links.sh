#!/usr/bin/env bash
# Time to picture on emulated far, bad and terrible links, the viewer's player against plain libvlc
# on the same link in the same run (bench/link_bench.cpp). RUNS samples of each (default 3).
# In a network namespace with only loopback, on an X server of its own.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build.sh >/dev/null
build=$PWD/build
tests/isolated.sh tests/xvfb.sh "$build/bench/link-bench" --runs="${RUNS:-3}" "$@" 2>>"$build/links.log"
