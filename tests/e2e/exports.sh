#!/usr/bin/env bash
# End to end through the file menu, the way a person uses it: under a real X server, with the date
# fixed, save every year as CSV with the keyboard alone (the scope dialog, then Qt's save dialog
# with the proposed name), save it again over the first file (Qt asks first), save the graph as a
# PNG file, open the print preview and close it; then check the files byte for byte.
# Usage: exports.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
. "$(dirname "$0")/xserver.sh"

# Without the daily input window at start: the exports rest while it is open.
without_daily_input_at_start
printf '%s\r\n' \
    '20020101,0,-5000,10000,15000,' \
    '20030105,1,3000,0,0,' \
    '20030512,0,2000,5000,3000,' \
    '20030520,0,-100,0,100,' > "$data"
before=$(od -An -c "$data")

start_x_server 141 190
(cd "$work/diary" && FAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f '@2003-05-12 10:00:00' "$murel") >"$work/murel.log" 2>&1 &
app=$!
pids+=($app)

# Shown windows of the program with this whole title, newest last.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
# Waits for a shown window with this title other than the ones given, and makes it active.
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
    for _ in $(seq 1 100); do xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0; sleep 0.1; done
    fail "the window \"$1\" stayed open"
}

main=$(wait_window "ミュレル")

csv_all() {
    xdotool key --delay 100 alt+f s
    scope=$(wait_window "CSV形式で保存")
    # The loaded period is the default; the arrow moves to every year. Enter is OK.
    xdotool key --delay 100 Down Return
    # Qt's save dialog, with the same caption, opens on the proposed name.
    wait_window "CSV形式で保存" "$scope" >/dev/null
    xdotool key Return
}
csv_all
expected=$work/expected.csv
{
    printf '\357\273\277'
    printf '%s\r\n' \
        '日付,曜日,入力方法,回収額(円),投資額(円),収支(円),回収率(%)' \
        '2002/01/01,火,回収・投資,10000,15000,-5000,67' \
        '2003/01/05,日,収支のみ,0,0,3000,' \
        '2003/05/12,月,回収・投資,5000,3000,2000,167' \
        '2003/05/20,火,回収・投資,0,100,-100,0'
} > "$expected"
csv=$work/diary/Murel1-all.csv
for _ in $(seq 1 50); do [ -f "$csv" ] && break; sleep 0.1; done
wait_gone "CSV形式で保存"
cmp "$expected" "$csv" || { od -c "$csv" | head -20; fail "Murel1-all.csv is not as expected"; }

# Again: Qt asks before replacing the file; "はい(&Y)" replaces it.
echo stale > "$csv"
csv_all
wait_window "CSV形式で保存" >/dev/null
xdotool key alt+y
wait_gone "CSV形式で保存"
for _ in $(seq 1 50); do cmp -s "$expected" "$csv" && break; sleep 0.1; done
cmp "$expected" "$csv" || fail "the replaced Murel1-all.csv is not as expected"

# The graph of the daily view (May 2003) as a PNG, at twice the frame's size.
xdotool windowactivate --sync "$main"
sleep 0.3
xdotool key --delay 100 alt+f g
wait_window "グラフを画像で保存" >/dev/null
xdotool key Return
png=$work/diary/Murel-graph-20030501.png
for _ in $(seq 1 50); do [ -f "$png" ] && break; sleep 0.1; done
[ -f "$png" ] || fail "no Murel-graph-20030501.png: $(ls "$work/diary")"
[ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] || fail "not a PNG"
# Width and height from the header: even, since every pixel of the frame became two by two.
read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
[ $((width % 2)) -eq 0 ] && [ $((height % 2)) -eq 0 ] && [ "$width" -gt "$height" ] \
    || fail "the PNG is ${width}x${height}"

# The print preview opens over the main window and Esc closes it.
xdotool windowactivate --sync "$main"
sleep 0.3
xdotool key --delay 100 alt+f p
preview=""
for _ in $(seq 1 100); do
    preview=$(xdotool getactivewindow 2>/dev/null)
    [ -n "$preview" ] && [ "$preview" != "$main" ] && break
    sleep 0.1
done
[ "$preview" != "$main" ] || fail "the print preview did not open"
xdotool key Escape
for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ] && break; sleep 0.1; done

xdotool windowactivate --sync "$main"
sleep 0.3
xdotool key Escape
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end after Esc in the main window"
wait "$app" || fail "the program exited with an error: $(cat "$work/murel.log")"

[ "$(od -An -c "$data")" = "$before" ] || fail "the data file changed"
left=$(cd "$work/diary" && ls -A | sort | tr '\n' ' ')
[ "$left" = "Murel-graph-20030501.png Murel1-all.csv Murel1.Dat " ] || fail "files in the folder: $left"
echo "PASS: every year as CSV, replaced after the question, the graph as PNG, the print preview"
