#!/usr/bin/env bash
# End to end, by the keyboard alone: under a real X server with the date fixed, type two play
# sessions for one day through the daily input window (Alt+V), the sessions window (Alt+A) and the
# editor (the fields with Tab, Enter or Ctrl+Enter in the memo), close them, save the sessions as
# CSV from the file menu, end the program; then check the day's line in the data file, the CSV
# and the database byte for byte.
# Usage: play_sessions.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
. "$(dirname "$0")/xserver.sh"
command -v sqlite3 >/dev/null || fail "sqlite3 is not installed"

mkdir -p "$work/run" "$work/config" "$work/diary"
chmod 700 "$work/run"
data=$work/diary/Murel1.Dat
# Today (2003/05/12) holds a balance typed earlier: the sessions take its place.
printf '%s\r\n' \
    '20030105,0,1200,4200,3000,' \
    '20030512,1,-700,0,0,' \
    '20030513,0,-100,0,100,' > "$data"

start_x_server 191 240
(cd "$work/diary" && FAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f '@2003-05-12 10:00:00' "$murel") >"$work/murel.log" 2>&1 &
app=$!
pids+=($app)

# The whole title as xdotool's pattern: the brackets of the date's weekday are literal.
title_pattern() { printf '^%s$' "$(printf '%s' "$1" | sed 's/[][().*^$+?{}|\\]/\\&/g')"; }
# Shown windows of the program with this whole title, newest last.
windows_named() { xdotool search --onlyvisible --name "$(title_pattern "$1")" 2>/dev/null || true; }
# Waits for a shown window with this title other than the one given, and for it to be active.
wait_window() {
    local title=$1 not=${2:-none} w=""
    for _ in $(seq 1 150); do
        w=$(windows_named "$title" | grep -vx "$not" | tail -n 1) && [ -n "$w" ] && break
        kill -0 "$app" 2>/dev/null || fail "the program ended early: $(cat "$work/murel.log")"
        sleep 0.1
    done
    [ -n "$w" ] || fail "no window \"$title\" appeared"
    for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] && break; sleep 0.1; done
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] || fail "\"$title\" is not the active window"
    sleep 0.3
    echo "$w"
}
wait_gone() {
    for _ in $(seq 1 100); do [ -n "$(windows_named "$1")" ] || return 0; sleep 0.1; done
    fail "the window \"$1\" stayed open"
}
# Waits until the window with this id is the active one again.
wait_active() {
    for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && break; sleep 0.1; done
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] || fail "$2 is not active again"
    sleep 0.3
}
type_text() { xdotool type --delay 60 "$1"; }
key() { xdotool key --delay 80 "$@"; }

entry=$(wait_window "実績入力")
main=$(windows_named "ミュレル" | head -n 1)
[ -n "$main" ] || fail "the main window is not shown"

key alt+v
plays=$(wait_window "稼働記録 - 2003/05/12 (月)")

# The first session: every field, a memo of two lines with a comma, saved with Ctrl+Enter.
key alt+a
wait_window "稼働の追加" >/dev/null
type_text "駅前ホール"; key Tab
type_text "海物語"; key Tab
type_text "9:30"; key Tab
type_text "1230"; key Tab
type_text "100"; key Tab
type_text "150"; key Tab
type_text "朝一,好調"; key Return; type_text "夕方"
key ctrl+Return
wait_gone "稼働の追加"
wait_active "$plays" "the sessions window"

# The second: no machine, the start proposed (the time now), no memo; Enter in a field saves.
key alt+a
wait_window "稼働の追加" >/dev/null
type_text "ABC"; key Tab Tab Tab
type_text "11:45"; key Tab
type_text "50"; key Tab
type_text "20"
key Return
wait_gone "稼働の追加"
wait_active "$plays" "the sessions window"

# 閉じる: Esc, as for every dialog.
key Escape
wait_gone "稼働記録 - 2003/05/12 (月)"
wait_active "$entry" "the daily input window"
# The day's line is written with each session, before anything else is done.
day_line=$(grep -a '^20030512,' "$data" || true)
[ "$day_line" = $'20030512,0,2000,17000,15000,\r' ] || fail "the day's line is $(printf '%q' "$day_line")"

# Nothing is pending in the daily input window: Esc closes it without a question.
key Escape
wait_gone "実績入力"

# 稼働記録 is the third choice of the CSV's scope; the save dialog opens on the proposed name.
xdotool windowactivate --sync "$main"
wait_active "$main" "the main window"
key alt+f s
scope=$(wait_window "CSV形式で保存")
key Down Down Return
wait_window "CSV形式で保存" "$scope" >/dev/null
key Return
csv=$work/diary/Murel1-sessions.csv
for _ in $(seq 1 50); do [ -f "$csv" ] && break; sleep 0.1; done
wait_gone "CSV形式で保存"

xdotool windowactivate --sync "$main"
wait_active "$main" "the main window"
key Escape
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end after Esc in the main window"
wait "$app" || fail "the program exited with an error: $(cat "$work/murel.log")"

expected=$(printf '%s\r\n' \
    '20030105,0,1200,4200,3000,' \
    '20030512,0,2000,17000,15000,' \
    '20030513,0,-100,0,100,' | od -An -c)
[ "$(od -An -c "$data")" = "$expected" ] || { od -c "$data"; fail "the data file is not as expected"; }

{
    printf '\357\273\277'
    printf '%s\r\n' '日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ'
    printf '2003/05/12,駅前ホール,海物語,09:30,12:30,10000,15000,5000,"朝一,好調\n夕方"\r\n'
    printf '2003/05/12,ABC,,10:00,11:45,5000,2000,-3000,\r\n'
} > "$work/expected.csv"
[ -f "$csv" ] || fail "no Murel1-sessions.csv: $(ls "$work/diary")"
cmp "$work/expected.csv" "$csv" || { od -c "$csv" | head -30; fail "Murel1-sessions.csv is not as expected"; }

db=$work/diary/Murel1.db
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "the database fails its integrity check"
[ "$(sqlite3 "$db" 'SELECT count(*) FROM play_session')" = 2 ] || fail "the database does not hold two sessions"
echo "PASS: two sessions typed by keyboard; 20030512,0,2000,17000,15000, in the data file; the CSV and the database as expected"
