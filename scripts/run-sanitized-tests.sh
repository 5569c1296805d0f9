#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer (leak checks
# on) into build-asan/ and runs it. Leaks inside the system's libraries (fonts, the media engine's
# plugins, the X libraries) are not ours: tests/sanitizers/lsan.supp names them.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
[ -f build-asan/build.ninja ] ||
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQINGCHUAN_SANITIZE=ON
cmake --build build-asan
# The web engine (Chromium inside Qt) frees some of its own objects with a sized delete of another
# size; that is its affair, and the check can only be switched off as a whole.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_odr_violation=0:new_delete_type_mismatch=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
cd build-asan
ctest --output-on-failure -j 2 --timeout 600
