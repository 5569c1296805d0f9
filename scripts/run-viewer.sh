#!/usr/bin/env bash
# Sets up, builds and starts the viewer on the user's display, as the user. The catalogue's
# addresses are placeholders on reserved hosts, so the viewer runs in a network namespace with only
# loopback: nothing leaves the machine. Without a display it runs under Xvfb, saves a screenshot
# and says where. QINGCHUAN_BUILD_DIR: the build folder (build/).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh
build=$(cd "${QINGCHUAN_BUILD_DIR:-build}" && pwd)

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec tests/isolated.sh --display "$build/qingchuan"
fi

shot="$build/screenshot.png"
rm -f "$shot"
tests/isolated.sh tests/xvfb.sh sh -c '
  "$1/qingchuan" &
  viewer=$!
  shown() { timeout 5 xdotool search --onlyvisible --name "晴川影音同乐会" >/dev/null 2>&1; }
  for i in $(seq 200); do shown && break; sleep 0.1; done
  if shown; then
    sleep 1.5
    import -window root "$2"
  fi
  kill $viewer; wait $viewer 2>/dev/null || true
' sh "$build" "$shot"
[ -s "$shot" ] || { echo "run-viewer: the viewer did not show under Xvfb" >&2; exit 1; }
echo "No display here: the viewer ran under Xvfb; its screenshot is $shot"
