#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12: Debian packages through apt-get,
# the npm packages through npm ci. Installs only what is missing; safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  # build
  cmake ninja-build g++ ccache pkg-config
  qt6-base-dev qt6-base-dev-tools
  libvlc-dev vlc-plugin-base vlc-plugin-video-output
  libseccomp-dev  # the media engine process's system call filter
  libcurl4-openssl-dev
  # the games window's Flash engine: Ruffle (npm) in Qt WebEngine and its helper process
  qt6-webengine-dev libqt6webenginecore6-bin qt6-declarative-dev  # Qt Quick: the view draws in software
  # run: Chinese text on screen, and the desktop's "open" for browse entries
  fonts-wqy-microhei xdg-utils
  # tests and benchmarks
  googletest libgtest-dev libgmock-dev libbenchmark-dev libxcb1-dev bc
  xvfb xdotool x11-utils imagemagick ffmpeg iproute2 util-linux
  # the tests' emulated far and lossy links (tests/support/netem): NFQUEUE through iptables
  iptables libnetfilter-queue-dev
  # a real MMSH server (VLC's streaming output), for the player's tests
  vlc-bin
  # the accessibility bus and a client of it, for the picture buttons' end-to-end test
  at-spi2-core python3-pyatspi dbus-x11
  # real desktops for the windows' end-to-end tests: window managers on Xvfb, weston (headless,
  # with XWayland), Qt's Wayland platform, and a client that asks a window manager to maximise
  openbox xfwm4 dbus-x11 weston xwayland qt6-wayland wmctrl
  # the X server's resources (Xft.dpi), for the HiDPI test
  x11-xserver-utils
  # the Debian package: dpkg-shlibdeps, and what checks the package
  dpkg-dev lintian desktop-file-utils appstream
  # fuzzing (libFuzzer comes with clang's runtime)
  clang libclang-rt-14-dev
  # the style check
  clang-format
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

# npm packages, when the project has any, pinned by package-lock.json.
if [ -f package-lock.json ]; then
  if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
    npm ci --no-audit --no-fund
  fi
fi
