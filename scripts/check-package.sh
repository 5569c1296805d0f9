#!/usr/bin/env bash
# Checks the Debian package: lintian (an error fails; everything it says is shown), and the desktop
# entry and AppStream metainfo inside it validated. Without an argument it first installs what is
# missing, builds and makes build/qingchuan_<version>_<arch>.deb; with one, it checks that file.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=${1:-}
if [ -z "$deb" ]; then
  ./scripts/setup.sh
  ./scripts/build.sh
  cmake --build build --target package
  deb=$(ls -t build/qingchuan_*_*.deb | head -n 1)
fi
[ -f "$deb" ] || { echo "check-package: no package at $deb" >&2; exit 1; }

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
desktop-file-validate "$tree"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$tree"/usr/share/metainfo/*.metainfo.xml

echo "lintian on $deb:"
lintian --display-info --pedantic --fail-on error "$deb"
echo "check-package: $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB; lintian reports no error"
