#!/usr/bin/env bash
# Builds and tests the core alone, without Qt, libvlc or curl (build-core/): proves that the core
# needs none of them.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
[ -f build-core/build.ninja ] || cmake -S . -B build-core -G Ninja -DQINGCHUAN_GUI=OFF
cmake --build build-core
cd build-core
ctest --output-on-failure -j 2 --timeout 300
