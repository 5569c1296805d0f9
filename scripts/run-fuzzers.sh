#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) into build-fuzz/ and runs each for
# FUZZ_SECONDS (default 60) from its seed corpus. New inputs go to a scratch folder, findings to
# build-fuzz/findings/; a finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
[ -f build-fuzz/build.ninja ] ||
  CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQINGCHUAN_GUI=OFF -DQINGCHUAN_TESTS=OFF -DQINGCHUAN_FUZZ=ON
cmake --build build-fuzz
seconds=${FUZZ_SECONDS:-60}
mkdir -p build-fuzz/findings
status=0
for target in build-fuzz/tests/fuzz/fuzz_*; do
  name=$(basename "$target" | sed 's/^fuzz_//')
  scratch=$(mktemp -d)
  echo "== fuzz_$name for ${seconds}s"
  rc=0
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/findings/$name-" "$scratch" "tests/fuzz/corpus/$name" \
    >"build-fuzz/fuzz_$name.log" 2>&1 || rc=$?
  grep -E "stat::number_of_executed_units|ERROR|SUMMARY|artifact" "build-fuzz/fuzz_$name.log" || true
  [ "$rc" -eq 0 ] || { echo "fuzz_$name found a fault (see build-fuzz/fuzz_$name.log)"; status=1; }
  rm -rf "$scratch"
done
exit $status
