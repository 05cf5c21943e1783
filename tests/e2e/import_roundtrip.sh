#!/usr/bin/env bash
# End to end, keyboard only, under a real X server with the date fixed: save every year of a
# diary as CSV (ﾌｧｲﾙ → CSV形式で保存 → すべての年), start an empty diary elsewhere, close its daily
# input window, read the CSV in (ﾌｧｲﾙ → CSVから読み込む, Qt's open dialog, "CSVの読み込み", the box
# that tells what was written) and compare the new data file with the old one byte for byte.
# Usage: import_roundtrip.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
. "$(dirname "$0")/xserver.sh"
. "$(dirname "$0")/windows.sh"

mkdir -p "$work/old" "$work/new"
# Every kind of day the program writes, over three years: amounts, the balance alone, a loss, a
# win, a day of no gain.
printf '%s\r\n' \
    '20011231,0,-5000,10000,15000,' \
    '20020101,1,3000,0,0,' \
    '20020615,1,-120000,0,0,' \
    '20030105,0,1200,4200,3000,' \
    '20030331,0,0,7000,7000,' \
    '20030511,0,-100,0,100,' \
    '20030512,0,2000,5000,3000,' > "$work/old/Murel1.Dat"
old=$(od -An -c "$work/old/Murel1.Dat")

start_x_server 191 240

# The old diary, without its daily input window: the exports rest while it is open.
without_daily_input_at_start
start_murel "$work/old"
main=$(wait_window "ミュレル")
xdotool key --delay 100 alt+f s
scope=$(wait_window "CSV形式で保存")
xdotool key --delay 100 Down Return
wait_window "CSV形式で保存" "$scope" >/dev/null
xdotool key Return
csv=$work/old/Murel1-all.csv
for _ in $(seq 1 50); do [ -s "$csv" ] && break; sleep 0.1; done
wait_gone "CSV形式で保存"
[ -s "$csv" ] || fail "no Murel1-all.csv: $(ls "$work/old")"
end_murel "$main"
[ "$(od -An -c "$work/old/Murel1.Dat")" = "$old" ] || fail "the export changed the old data file"

# The new diary starts as a first start does: no data file, the daily input window open.
rm -f "$work/config/Murel/Murel.conf"
start_murel "$work/new"
entry=$(wait_window "実績入力")
main=$(windows_named "ミュレル" | head -n 1)
[ -n "$main" ] || fail "the main window is not shown"
# Esc closes the daily input window; the main window is active again.
xdotool key Escape
wait_gone "実績入力"
for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ] && break; sleep 0.1; done
[ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ] || fail "the main window is not active"
sleep 0.3
xdotool key --delay 100 alt+f i
# Qt's open dialog, in the new diary's folder: the file's whole path typed, then Enter.
wait_window "CSVから読み込む" >/dev/null
xdotool type --delay 20 "$csv"
xdotool key Return
# The preview: OK is the default button.
wait_window "CSVの読み込み" >/dev/null
xdotool key Return
wait_gone "CSVの読み込み"
# One box tells what was written: the main window's caption, over it.
box=$(wait_window "ミュレル" "$main")
xdotool key Return
wait_gone "ミュレル" "$main"
end_murel "$main"

new=$(od -An -c "$work/new/Murel1.Dat")
if [ "$new" != "$old" ]; then
    echo "old:"; od -c "$work/old/Murel1.Dat"; echo "new:"; od -c "$work/new/Murel1.Dat"
    fail "the imported data file differs from the exported one"
fi
# The import's backup: the empty data file that the first start left.
backups=$(ls -A "$work/new/Murel1.Dat.backup")
[ "$backups" = "Murel1-20030512.Dat" ] || fail "backups of the new diary: $backups"
[ ! -s "$work/new/Murel1.Dat.backup/Murel1-20030512.Dat" ] || fail "the backup is not the empty file"
echo "PASS: every year exported as CSV and read into an empty diary by keyboard: the same data file"
