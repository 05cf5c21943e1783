#!/usr/bin/env bash
# End to end by the keyboard alone, under a real X server with the date fixed: two play sessions
# for one day through the daily input window (Alt+V), the sessions window (Alt+A, Esc) and the
# editor (the fields with Tab, then Enter, or Ctrl+Enter in the memo); then the sessions' CSV from
# the file menu. Checks the data file, the CSV and the database byte for byte.
# Usage: play_sessions.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
. "$(dirname "$0")/xserver.sh"
command -v sqlite3 >/dev/null || fail "sqlite3 is not installed"

# Today holds a balance typed earlier: the sessions' sums take its place.
lines=('20030105,0,1200,4200,3000,' '20030512,1,-700,0,0,' '20030513,0,-100,0,100,')
printf '%s\r\n' "${lines[@]}" > "$data"

start_x_server 191 240
map_characters "駅前ホール" "海物語" "朝一,好調" "夕方"
(cd "$work/diary" && FAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f '@2003-05-12 10:00:00' "$murel") >"$work/murel.log" 2>&1 &
app=$!
pids+=($app)

# Waits for the shown window with this whole title (the weekday's brackets taken literally) and
# other than window $2, to be active; its id in $shown.
active_window() {
    local pattern w=""
    pattern="^$(printf '%s' "$1" | sed 's/[][().*^$+?{}|\\]/\\&/g')\$"
    for _ in $(seq 1 150); do
        w=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | grep -vx "${2:-none}" | tail -n 1 || true)
        [ -n "$w" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] && break
        kill -0 "$app" 2>/dev/null || fail "the program ended early: $(cat "$work/murel.log")"
        sleep 0.1
    done
    [ -n "$w" ] && [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] || fail "\"$1\" is not active"
    shown=$w
    sleep 0.3
}
key() { xdotool key --delay 80 "$@"; }
# The editor's fields with Tab between them.
fields() {
    local first=1
    for text in "$@"; do
        [ $first = 1 ] || key Tab
        first=0
        [ -z "$text" ] || xdotool type --delay 60 "$text"
    done
}

active_window "実績入力"
key alt+v
active_window "稼働記録 - 2003/05/12 (月)"
key alt+a
active_window "稼働の追加"
fields "駅前ホール" "海物語" "9:30" "1230" "100" "150" "朝一,好調"
key Return && xdotool type "夕方" && key ctrl+Return
active_window "稼働記録 - 2003/05/12 (月)"
# No machine; the start proposed (the time now); Enter in a field saves.
key alt+a
active_window "稼働の追加"
fields "ABC" "" "" "11:45" "50" "20"
key Return
active_window "稼働記録 - 2003/05/12 (月)"
key Escape
active_window "実績入力"
# The day's line was written with each session; nothing is pending: Esc closes without a question.
grep -q $'^20030512,0,2000,17000,15000,\r$' "$data" || fail "the day's line: $(grep -a ^20030512 "$data")"
key Escape

# 稼働記録 is the third choice of the CSV's scope; the save dialog opens on the proposed name.
active_window "ミュレル"
key alt+f s
active_window "CSV形式で保存"
key Down Down Return
active_window "CSV形式で保存" "$shown"
key Return
csv=$work/diary/Murel1-sessions.csv
for _ in $(seq 1 50); do [ -f "$csv" ] && break; sleep 0.1; done
active_window "ミュレル"
key Escape
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end after Esc in the main window"
wait "$app" || fail "the program did not end well: $(cat "$work/murel.log")"

lines[1]='20030512,0,2000,17000,15000,'
[ "$(od -An -c "$data")" = "$(printf '%s\r\n' "${lines[@]}" | od -An -c)" ] || { od -c "$data"; fail "the data file"; }
{
    printf '\357\273\277日付,店舗,機種,開始,終了,投資額(円),回収額(円),収支(円),メモ\r\n'
    printf '2003/05/12,駅前ホール,海物語,09:30,12:30,10000,15000,5000,"朝一,好調\n夕方"\r\n'
    printf '2003/05/12,ABC,,10:00,11:45,5000,2000,-3000,\r\n'
} > "$work/expected.csv"
cmp "$work/expected.csv" "$csv" || { od -c "$csv" | head -30; fail "Murel1-sessions.csv"; }
db=$work/diary/Murel1.db
[ "$(sqlite3 "$db" 'PRAGMA integrity_check')" = ok ] || fail "the database fails its integrity check"
[ "$(sqlite3 "$db" 'SELECT count(*) FROM play_session')" = 2 ] || fail "not two sessions"
echo "PASS: two sessions by keyboard; 20030512,0,2000,17000,15000,; the CSV and the database"
