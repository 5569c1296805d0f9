#!/bin/sh
# The Debian package as installed software: its metainfo found by a Chinese software centre;
# unpacked (dpkg-deb -x) into a read-only folder and run
# by an unprivileged user under Xvfb, the maker's host answered on 127.0.0.1 (a private /etc/hosts
# in this test's own namespaces). The descriptor lands in the user's cache; 升级更新 with an equal
# tag says so; a trickling server is given up within the download's bounds, the cached descriptor
# intact; a game entry loads the games engine from the private library folder; a different tag
# hands over to an updater placed there.
# Usage: package.sh DEB TOOL DESCRIPTOR_URL MODULE_RELDIR
. "$(dirname "$0")/lib.sh"
deb=$1
tool=$2
url=$3
reldir=$4
user=nobody
group=nogroup
tree="$work/tree"
# The tree's read-only mount goes after the processes that use it and before the files.
cleanup_package() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    umount "$tree" 2>/dev/null || true
    cleanup
}
trap cleanup_package EXIT

# The viewer's user reaches its files through $work. A UTF-8 locale, as a desktop session has
# (the window's legacy name is written in it), and no session bus, so none is started.
chmod 755 "$work"
as_user="setpriv --reuid=$user --regid=$group --clear-groups env -i HOME=$work/home
    XDG_CACHE_HOME=$work/home/cache XDG_RUNTIME_DIR=$work/home/run PATH=$work/bin:/usr/bin:/bin
    DBUS_SESSION_BUS_ADDRESS=unix:path=$work/home/no-bus LANG=C.UTF-8"
. "$(dirname "$0")/update_lib.sh"
start_xvfb
as_user="$as_user DISPLAY=$DISPLAY"
install_recording_shell
chmod 755 "$work/bin"
chmod 666 "$work/opened"
mkdir -p "$work/home/run"
chmod 700 "$work/home/run"
chown -R "$user:$group" "$work/home"
cache="$work/home/cache/qingchuan"

# The package, unpacked, with a fake updater in its private library folder, then made read-only
# (a read-only bind mount: not even root may write there).
dpkg-deb -x "$deb" "$tree" || fail "could not unpack $deb"
libdir="$tree/usr/$reldir"
[ -f "$libdir/libqingchuan-flash.so" ] || fail "no games engine module in /usr/$reldir"
[ -x "$libdir/qingchuan-engine" ] || fail "no media engine program in /usr/$reldir"
for f in ruffle.js player.html shim.js; do
    [ -f "$libdir/ruffle/$f" ] || fail "no ruffle/$f beside the games engine module"
done
ls "$libdir"/ruffle/*.wasm >/dev/null 2>&1 || fail "no Ruffle wasm beside the games engine module"
[ ! -e "$libdir/update.exe" ] || fail "the package ships an updater"
cat >"$libdir/update.exe" <<EOS
#!/bin/sh
echo "\$0" >"$work/home/updater-ran"
EOS
chmod 755 "$libdir/update.exe"
# A Chinese software centre finds it: the package's metainfo among the system's, AppStream's
# cache made anew (both in this test's own mount namespace), searched as a desktop set to
# Simplified Chinese does.
metainfo="$tree/usr/share/metainfo/example.qingchuan.Qingchuan.metainfo.xml"
[ -f "$metainfo" ] || fail "no metainfo in /usr/share/metainfo"
mkdir -p "$work/metainfo" "$work/swcatalog"
cp /usr/share/metainfo/* "$work/metainfo/" 2>/dev/null || true
cp "$metainfo" "$work/metainfo/"
mount --bind "$work/metainfo" /usr/share/metainfo || fail "could not add the metainfo"
mkdir -p /var/cache/swcatalog
mount --bind "$work/swcatalog" /var/cache/swcatalog || fail "could not give AppStream a cache of its own"
appstreamcli refresh-cache --force >"$work/appstream.log" 2>&1 || fail "appstreamcli: $(tail -n 3 "$work/appstream.log")"
in_chinese() { LANGUAGE=zh_CN LANG=C.UTF-8 appstreamcli "$@" 2>&1; }
for term in 晴川 网络电视; do
    in_chinese search "$term" | grep -q '^[^:]*: example\.qingchuan\.Qingchuan ' || fail "searching $term finds nothing"
done
in_chinese get example.qingchuan.Qingchuan | grep -q ': 晴川影音同乐会$' || fail "no Chinese name"
in_chinese get --details example.qingchuan.Qingchuan | grep -q '都在一条菜单栏里' || fail "no Chinese description"
umount /var/cache/swcatalog /usr/share/metainfo

chmod -R a-w "$tree"
mount --bind "$tree" "$tree" && mount -o remount,bind,ro "$tree" || fail "could not make the tree read-only"
touch "$tree/usr/bin/probe" 2>/dev/null && fail "the unpacked tree can be written"
exe="$tree/usr/bin/qingchuan"

printf '1.31\r\nnotes\r\n' >"$work/served"
start_descriptor_server

start_viewer() {
    $as_user "$exe" >"$work/viewer.log" 2>&1 &
    viewer=$!
    pids="$viewer $pids"
    await_main_window
}
uid_of() { awk '/^Uid:/ { print $2 }' "/proc/$1/status" 2>/dev/null; }

# 1. Equal tags: the start-up check puts the descriptor into the user's cache and says nothing.
start_viewer
[ "$(uid_of "$viewer")" = "$(id -u "$user")" ] || fail "the viewer does not run as $user"
wait_for 15 requests_at_least 1 || fail "no start-up check"
wait_for 10 cmp -s "$work/served" "$cache/update.txt" || fail "the descriptor did not land in $cache"
[ "$(stat -c '%U %a' "$cache")" = "$user 700" ] || fail "cache folder is $(stat -c '%U %a' "$cache")"
[ ! -e "$tree/usr/bin/update.txt" ] || fail "a descriptor beside the read-only executable"
sleep 1
no_box_is_up || fail "the start-up check spoke although the tags are equal"

# 升级更新 says 已经是最新版本，谢谢。
image3_says_up_to_date

# 2. A server that trickles a newer descriptor, 2.5 bytes a second (never stalled), for minutes:
# the download's whole-transfer bound (30 s) ends it; the failure is reported and the cached
# descriptor stays as it was, with nothing beside it.
printf '1.30\r\n%0200d\r\n' 0 >"$work/served"
echo 400 >"$work/served.trickle"
sleep 0.3
before=$(requests)
started=$(date +%s)
click_image3
wait_for 45 a_box_is_up || fail "no box within 45 s of a click while the server trickles"
took=$(($(date +%s) - started))
requests_at_least $((before + 1)) || fail "the click did not reach the trickling server"
[ "$took" -ge 25 ] && [ "$took" -le 35 ] || fail "the trickled download ended after $took s, not at the 30 s bound"
[ "$(box_kind)" = Information ] || fail "not an information box after the trickle"
shot_box "$work/box-trickle.png"
press_ok
wait_for 10 no_box_is_up || fail "OK did not close the box"
same_picture "$work/box-trickle.png" "$work/ref-failed.png" || fail "the box does not say 网络连接失败，请稍候重试。"
printf '1.31\r\nnotes\r\n' >"$work/expected"
cmp -s "$work/expected" "$cache/update.txt" || fail "the cached descriptor changed"
# Beside it only the player engine's module folder, no half-written descriptor.
[ "$(ls -A "$cache" | grep -v '^engine-')" = update.txt ] || fail "left in the cache: $(ls -A "$cache")"
rm -f "$work/served.trickle"

# 3. A game entry (休闲游戏 › 经典推荐 › 波斯王子) loads the games engine from the private library
# folder: the module is mapped into the viewer and the web engine's helper process runs.
timeout 10 xdotool mousemove $((X + 20)) $((Y + bar / 2)) click 1
sleep 0.5
timeout 10 xdotool key Left Left Right Return
engine_loaded() { grep -q " $libdir/libqingchuan-flash.so\$" "/proc/$viewer/maps"; }
helper_runs() {
    for p in /proc/[0-9]*; do
        [ "$(cat "$p/comm" 2>/dev/null)" = QtWebEngineProc ] && [ "$(uid_of "${p#/proc/}")" = "$(id -u "$user")" ] &&
            return 0
    done
    return 1
}
wait_for 30 engine_loaded || fail "the games engine module was not loaded from /usr/$reldir"
wait_for 30 helper_runs || fail "no QtWebEngineProcess: $(tail -n 5 "$work/viewer.log")"
kill -0 "$viewer" || fail "the viewer ended"
kill "$viewer"
wait_end "$viewer" 15 || fail "the viewer did not end when told to"

# 4. A different tag at start-up: announced; after OK the viewer ends and the updater in the
# private library folder runs.
printf '1.30\r\n' >"$work/served"
sleep 0.3
start_viewer
wait_for 15 a_box_is_up || fail "no announcement of the new version"
[ "$(box_kind)" = Confirm ] || fail "not a confirmation box"
press_ok
wait_end "$viewer" 10 || fail "the viewer did not end after the hand-over"
[ "$rc" -eq 0 ] || fail "exit code $rc"
wait_for 10 test -s "$work/home/updater-ran" || fail "the updater in the private library folder did not run"
[ "$(cat "$work/home/updater-ran")" = "$libdir/update.exe" ] || fail "updater started as $(cat "$work/home/updater-ran")"
echo "package: runs read-only as $user; descriptor in $cache; equal tag reported; trickle ended after $took s;" \
    "games engine loaded from /usr/$reldir; updater found there"
