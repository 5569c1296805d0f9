#!/usr/bin/env bash
# Sets up, builds and starts the viewer. The catalogue's addresses are placeholders on reserved
# hosts, so the viewer runs in a network namespace with only loopback: nothing leaves the machine.
# Without a display it runs under Xvfb, saves a screenshot and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh

if [ -n "${DISPLAY:-}" ]; then
  exec tests/isolated.sh build/qingchuan
fi

work=$(mktemp -d)
shot="$PWD/build/screenshot.png"
tests/isolated.sh sh -c '
  exec 3>"$1/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset >"$1/xvfb.log" 2>&1 &
  xvfb=$!
  exec 3>&-
  for i in $(seq 100); do [ -s "$1/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$1/display")"
  build/qingchuan &
  viewer=$!
  for i in $(seq 200); do xdotool search --onlyvisible --name "晴川影音同乐会" >/dev/null 2>&1 && break; sleep 0.1; done
  sleep 1.5
  import -window root "$2"
  kill $viewer; wait $viewer 2>/dev/null || true
  kill $xvfb; wait $xvfb 2>/dev/null || true
' sh "$work" "$shot"
rm -rf "$work"
echo "No display here: the viewer ran under Xvfb; its screenshot is $shot"
