#!/bin/sh
# A tree checked out under /tmp, as a quick clone often is: its own test harness (isolated.sh,
# on-xvfb.sh, xvfb.sh) runs a windowed test from there, a test binary of that tree included.
# Usage: checkout_in_tmp.sh SOURCE BUILD
. "$(dirname "$0")/lib.sh"
src=$1
build=$2
tree=$(mktemp -d /tmp/qc-checkout.XXXXXX)
cleanup_tree() {
    cleanup
    rm -rf "$tree"
}
trap cleanup_tree EXIT
mkdir -p "$tree/tests" "$tree/build"
cp "$src/tests/isolated.sh" "$src/tests/on-xvfb.sh" "$src/tests/xvfb.sh" "$tree/tests/"
cp "$build/tests/help/help_tests" "$tree/build/"
cd "$tree/build"
"$tree/tests/on-xvfb.sh" ./help_tests --gtest_filter='HelpTest.AboutWindowAsDesigned' >"$work/run.log" 2>&1 ||
    fail "a windowed test from $tree failed: $(tail -n 5 "$work/run.log")"
grep -q '^\[  PASSED  \] [1-9]' "$work/run.log" || fail "no test ran: $(tail -n 5 "$work/run.log")"
echo "checkout in /tmp: a windowed test ran from $tree"
