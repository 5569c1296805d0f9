#!/bin/sh
# The update check of the real viewer under Xvfb, its descriptor's host answered on 127.0.0.1
# (a private /etc/hosts in this test's own network and mount namespaces): start-up says nothing
# when the tags are equal, 升级更新 then says so, and a different tag at start-up is announced,
# closes the viewer and starts the updater.
# Usage: update.sh BUILD_DIR VIEWER TOOL DESCRIPTOR_URL
. "$(dirname "$0")/lib.sh"
build=$1
viewer_exe=$2
tool=$3
url=$4
. "$(dirname "$0")/update_lib.sh"
# A failure also shows the end of the X server's log.
fail() {
    echo "FAIL: $*" >&2
    tail -n 5 "$work/xvfb.log" >&2
    ls -l /tmp/.X11-unix >&2
    exit 1
}
start_xvfb
install_recording_shell

# The updater is looked for beside the executable: a copy of the viewer next to a fake one.
app="$work/app"
mkdir -p "$app"
cp "$viewer_exe" "$app/qingchuan"
# The games engine and the media engine are looked for beside the executable.
ln -s "$build/libqingchuan-flash.so" "$app/libqingchuan-flash.so"
ln -s "$build/qingchuan-engine" "$app/qingchuan-engine"
cat >"$app/update.exe" <<EOS
#!/bin/sh
echo "\$0" >"$work/updater-ran"
EOS
chmod +x "$app/update.exe"

printf '1.31\r\nnotes\r\n' >"$work/served"
start_descriptor_server

start_viewer() {
    "$app/qingchuan" >"$work/viewer.log" 2>&1 &
    viewer=$!
    pids="$viewer $pids"
    await_main_window
}

# 1. Equal tags: the start-up check downloads the descriptor and says nothing.
start_viewer
wait_for 15 requests_at_least 1 || fail "no start-up check"
wait_for 10 cmp -s "$work/served" "$app/update.txt" || fail "the descriptor was not stored beside the viewer"
sleep 1
[ -z "$(boxes)" ] || fail "the start-up check spoke although the tags are equal"
kill -0 "$viewer" || fail "the viewer ended"

# 升级更新 (Image3 at 496,308, 65 x 33) reports the same.
image3_says_up_to_date
kill -0 "$viewer" || fail "the viewer ended after the box"
kill "$viewer"
wait_end "$viewer" 10 || fail "the viewer did not end when told to"

# 2. A different tag at start-up: announced; after OK the viewer ends and the updater runs.
printf '1.30\r\n' >"$work/served"
sleep 0.2
before=$(requests)
start_viewer
wait_for 15 a_box_is_up || fail "no announcement of the new version"
wait_for 5 requests_at_least $((before + 1)) || fail "no download at start-up"
[ "$(box_kind)" = Confirm ] || fail "not a confirmation box"
shot_box "$work/box-new.png"
[ ! -e "$work/updater-ran" ] || fail "the updater started before the box was closed"
press_ok
wait_end "$viewer" 10 || fail "the viewer did not end after the hand-over"
[ "$rc" -eq 0 ] || fail "exit code $rc"
wait_for 10 test -s "$work/updater-ran" || fail "the updater did not run"
reference confirm "晴川检测到有新版本可供升级。" "$work/ref-new.png"
reference confirm "检测到有新版本可供升级，马上升级？" "$work/ref-ask.png"
! same_picture "$work/ref-new.png" "$work/ref-ask.png" || fail "the pictures don't tell the texts apart"
same_picture "$work/box-new.png" "$work/ref-new.png" || fail "the box does not say 晴川检测到有新版本可供升级。"
[ "$(cat "$work/updater-ran")" = "$app/update.exe" ] || fail "updater started as $(cat "$work/updater-ran")"
echo "update: silent when equal, 升级更新 reports, a new version hands over to the updater"
