# Shared by the update check's end-to-end tests (after lib.sh): the descriptor server on the
# maker's host, the check's boxes found, pictured, answered and compared with reference boxes.
# Needs: $tool (update_e2e_tool), $url (the descriptor's address); $as_user runs a program as the
# viewer's user (empty: as the test's own).

caption="晴川影音同乐会 V1.31"
as_user=${as_user:-}

# http://HOST[:PORT]/PATH
rest=${url#http://}
hostport=${rest%%/*}
path=/${rest#*/}
host=${hostport%%:*}
port=80
[ "$hostport" = "$host" ] || port=${hostport#*:}

# Serves $work/served at the descriptor's address on 127.0.0.1 (its host mapped there); while
# $work/served.trickle holds N, one byte every N ms.
start_descriptor_server() {
    map_host_to_loopback "$host"
    "$tool" serve "$port" "$path" "$work/served" "$work/requests" >"$work/server.log" 2>&1 &
    pids="$pids $!"
    wait_for 10 grep -qx ready "$work/requests" || fail "the descriptor server did not start"
}

requests() { grep -c "^GET $path\$" "$work/requests" || true; }
requests_at_least() { [ "$(requests)" -ge "$1" ]; }
boxes() { timeout 5 xdotool search --onlyvisible --name '^(Information|Confirm)$' 2>/dev/null; }
a_box_is_up() { [ -n "$(boxes)" ]; }
no_box_is_up() { [ -z "$(boxes)" ]; }
box_kind() { timeout 10 xdotool getwindowname "$(boxes | head -n 1)"; }
# xdotool can block while windows come and go: every call has a bound.
main_window() { timeout 5 xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null; }

# After the viewer (PID $viewer) started: waits for its window; sets X, Y and the menu bar's height.
await_main_window() {
    wait_for 30 main_window || fail "no main window: $(tail -n 5 "$work/viewer.log")"
    wid=$(main_window | head -n 1)
    eval "$(timeout 10 xdotool getwindowgeometry --shell "$wid")"
    bar=$((HEIGHT - 341))
}
# 升级更新: Image3 at 496,308, 65 x 33.
click_image3() { timeout 10 xdotool mousemove $((X + 528)) $((Y + bar + 324)) click 1; }

# The box's text can't be read from outside: its picture is compared with that of a box the
# check's own adapter shows with the expected text (and differs from one with another text).
shot_box() {
    sleep 0.5  # let it paint
    timeout 15 import -window "$(boxes | head -n 1)" "$1" || fail "no picture of the box"
}
press_ok() {
    timeout 10 xdotool windowfocus "$(boxes | head -n 1)" 2>/dev/null || true
    sleep 0.2
    timeout 10 xdotool key Return
}
# Waits up to $2 seconds for process $1 (ours) to end; its exit code is left in $rc.
wait_end() {
    for _ in $(seq $(($2 * 10))); do kill -0 "$1" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$1" 2>/dev/null && return 1
    rc=0
    wait "$1" || rc=$?
    return 0
}
reference() {  # kind text file
    $as_user "$tool" box "$1" "$2" >"$work/reference.log" 2>&1 &
    ref=$!
    pids="$ref $pids"
    wait_for 20 a_box_is_up || fail "no reference box: $(tail -n 5 "$work/reference.log")"
    shot_box "$3"
    press_ok
    wait_for 10 no_box_is_up || fail "the reference box stayed"
    wait_end "$ref" 10 || fail "the reference box's program did not end"
}
same_picture() { timeout 30 compare -metric AE "$1" "$2" null: >/dev/null 2>&1; }

# 升级更新 clicked with equal tags (after the start-up check, one request in): an Information box
# that says 已经是最新版本，谢谢。, closed with OK.
image3_says_up_to_date() {
    click_image3
    wait_for 15 a_box_is_up || fail "no box after a click on Image3"
    [ "$(box_kind)" = Information ] || fail "not an information box"
    wait_for 5 requests_at_least 2 || fail "the click did not download the descriptor"
    shot_box "$work/box-equal.png"
    press_ok
    wait_for 10 no_box_is_up || fail "OK did not close the box"
    reference information "已经是最新版本，谢谢。" "$work/ref-equal.png"
    reference information "网络连接失败，请稍候重试。" "$work/ref-failed.png"
    ! same_picture "$work/ref-equal.png" "$work/ref-failed.png" || fail "the pictures don't tell the texts apart"
    same_picture "$work/box-equal.png" "$work/ref-equal.png" || fail "the box does not say 已经是最新版本，谢谢。"
}
