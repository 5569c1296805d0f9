#!/usr/bin/env bash
# Configures (once) and builds everything into build/ (or QINGCHUAN_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${QINGCHUAN_BUILD_DIR:-build}
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
