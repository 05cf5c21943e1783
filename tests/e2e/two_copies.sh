#!/usr/bin/env bash
# Two copies of the real program on one data file, under a real X server. Copy A runs in a login
# session and confirms a day. Copy B is the same user without XDG_RUNTIME_DIR, so the one-copy
# rule of the session does not stop it: the lock beside the data file must. B tells who holds the
# file, on standard error and in a box, and exits 2 once the box is closed; A's day stays in the
# file, and B leaves nothing behind.
# Usage: two_copies.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
. "$(dirname "$0")/xserver.sh"

mkdir -p "$work/tmp"
printf '%s\r\n' '20030105,0,1200,4200,3000,' '20030511,0,-100,0,100,' > "$data"

start_x_server 90 140
libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1 2>/dev/null | head -n 1 || true)
[ -n "$libfaketime" ] || fail "libfaketime.so.1 is not installed (package faketime)"
(cd "$work/diary" && LD_PRELOAD="$libfaketime${LD_PRELOAD:+:$LD_PRELOAD}" FAKETIME='@2003-05-12 10:00:00' \
    FAKETIME_DONT_FAKE_MONOTONIC=1 exec "$murel") >"$work/a.log" 2>&1 &
a=$!
pids+=($a)

window_named() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .
}
entry=""
for _ in $(seq 1 150); do
    entry=$(window_named "実績入力") && break
    kill -0 "$a" 2>/dev/null || fail "copy A ended early: $(cat "$work/a.log")"
    sleep 0.2
done
[ -n "$entry" ] || fail "copy A's daily input window did not open"
for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$entry" ] && break; sleep 0.1; done
sleep 0.3
xdotool type --delay 80 "50"
xdotool key --delay 80 Tab
xdotool type --delay 80 "30"
xdotool key Return
for _ in $(seq 1 250); do window_named "実績入力" >/dev/null || break; sleep 0.02; done
window_named "実績入力" >/dev/null && fail "copy A's daily input window stayed open after Enter"
grep -q '^20030512,0,2000,5000,3000,' "$data" || fail "copy A's day is not in the file: $(cat "$data")"
after_a=$(od -An -c "$data")

# Copy B: its session's lock would live in $TMPDIR/runtime-<user>, not in A's runtime folder.
(cd "$work/diary" && unset XDG_RUNTIME_DIR && TMPDIR="$work/tmp" exec "$murel") >"$work/b.out" 2>"$work/b.err" &
b=$!
pids+=($b)
box=""
for _ in $(seq 1 150); do
    box=$(xdotool search --onlyvisible --pid "$b" 2>/dev/null | head -n 1) && [ -n "$box" ] && break
    kill -0 "$b" 2>/dev/null || break
    sleep 0.2
done
[ -n "$box" ] || fail "copy B showed no box: $(cat "$work/b.err")"
# Which file, and who holds it: host, user and process.
for told in "データファイル「$data」は、ほかのミュレルが使用中のため開けません。" "ホスト: $(hostname)" \
    "ユーザー: $(id -un)" "プロセスID: $a"; do
    grep -qx ".*$told" "$work/b.err" || fail "copy B did not say \"$told\": $(cat "$work/b.err")"
done
# Only the box: no main window, no daily input window of B's own.
[ "$(xdotool search --onlyvisible --pid "$b" 2>/dev/null | wc -l)" = 1 ] || fail "copy B shows more than its box"
xdotool windowactivate --sync "$box"
sleep 0.3
xdotool key Return
for _ in $(seq 1 50); do kill -0 "$b" 2>/dev/null || break; sleep 0.1; done
kill -0 "$b" 2>/dev/null && fail "copy B did not end when its box was closed"
status=0
wait "$b" || status=$?
[ "$status" = 2 ] || fail "copy B exited with status $status, not 2: $(cat "$work/b.err")"

# A runs on and ends as usual.
kill -0 "$a" 2>/dev/null || fail "copy A ended with copy B"
[ "$(od -An -c "$data")" = "$after_a" ] || fail "the data file changed while copy B was refused"
kill -TERM "$a"
for _ in $(seq 1 50); do kill -0 "$a" 2>/dev/null || break; sleep 0.1; done
status=0
wait "$a" || status=$?
[ "$status" = 0 ] || fail "copy A exited with status $status: $(cat "$work/a.log")"

expected=$(printf '%s\r\n' '20030105,0,1200,4200,3000,' '20030511,0,-100,0,100,' \
    '20030512,0,2000,5000,3000,' | od -An -c)
[ "$(od -An -c "$data")" = "$expected" ] || { od -c "$data"; fail "the data file does not hold A's day"; }
# A's backup folder and nothing else: the lock went with A, and B made nothing.
[ "$(ls -A "$work/diary" | tr '\n' '|')" = "Murel1.Dat|Murel1.Dat.backup|" ] ||
    fail "files left beside the data file: $(ls -A "$work/diary")"
echo "PASS: copy B refused with exit status 2 and told who holds the file; copy A's day kept"
