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
# Full stacks for every allocation, so that suppressions can recognise the system libraries even
# where they were built without frame pointers.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_odr_violation=0:fast_unwind_on_malloc=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
cd build-asan
# Not the tests that start the games engine (label games_engine): Chromium inside it frees its own objects with sized
# deletes of other sizes, keeps allocations for the life of the process, and can hang at exit
# under the sanitizers; none of that is ours to mend. Our module's code runs in the normal suite.
# Nor the real viewer playing a clip in real time (label realtime): the sanitized media engine
# can't decode one in time here; the engine's and the player's own tests run.
ctest --output-on-failure -j 2 --timeout 600 -LE 'games_engine|realtime' -E '^soak$'

