#!/usr/bin/env bash
# End to end under a real X server, read as a screen reader reads it: four play sessions at two
# stores on three machines typed by the keyboard alone, then ﾂｰﾙ → 店舗・機種別集計 with Alt+T, S,
# whose table is read cell by cell through AT-SPI for each grouping and compared with a hand count.
# Usage: session_table.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xserver.sh"
. "$here/windows.sh"
. "$here/accessible.sh"

: > "$data"

start_x_server 291 340
map_characters "駅前ホール" "海物語" "北斗" "番長"
start_accessibility

start_murel_aloud "$work/diary"

input=$(wait_window "実績入力")
xdotool key alt+v
# Titles are patterns: the weekday's brackets taken literally.
plays_title="稼働記録 - 2003/05/12 \\(月\\)"
plays=$(wait_window "$plays_title")
# One session through the editor: its fields with Tab between them, then Enter.
session() {
    local first=1 text
    activate "$plays"
    xdotool key alt+a
    wait_window "稼働の追加" >/dev/null
    for text in "$@"; do
        [ $first = 1 ] || xdotool key Tab
        first=0
        [ -z "$text" ] || xdotool type --delay 60 "$text"
    done
    xdotool key Return
    wait_gone "稼働の追加"
}
#       store       machine  start   end     invested collected
session "駅前ホール" "海物語" "9:30"  "12:30" "100" "150"
session "駅前ホール" "北斗"   "13:00" "14:00" "50"  "0"
session "ABC"        "海物語" "18:00" "18:45" "30"  "90"
session "ABC"        "番長"   "20:15" "21:15" "20"  "10"
activate "$plays"
xdotool key Escape
wait_gone "$plays_title"
activate "$input"
xdotool key Escape
wait_gone "実績入力"
grep -q $'^20030512,0,5000,25000,20000,\r$' "$data" || fail "the day's line: $(cat "$data")"

main=$(wait_window "ミュレル")
xdotool key --delay 100 alt+t s
table=$(wait_window "店舗・機種別集計")
heading="名前|稼働数|回収/投資|回収率|収支|勝率|稼働時間|時給"
# By store: ABC 100/50, 50 in 1:45 (5000 yen / 1.75 h); 駅前ホール 150/150, 0 in 4:00.
read_table "店舗・機種別集計" "$heading
ABC|2|100/50|200%|50|50%|1:45|2857
駅前ホール|2|150/150|100%|0|50%|4:00|0
合計|4|250/200|125%|50|50%|5:45|870"
# By machine: 海物語 240/130 (185%), 110 in 3:45; 番長 -10 and 北斗 -50, an hour each.
xdotool key alt+k
read_table "店舗・機種別集計" "$heading
海物語|2|240/130|185%|110|100%|3:45|2933
番長|1|10/20|50%|-10|0%|1:00|-1000
北斗|1|0/50|0%|-50|0%|1:00|-5000
合計|4|250/200|125%|50|50%|5:45|870"
# By the starting hour.
xdotool key alt+h
read_table "店舗・機種別集計" "$heading
18時|1|90/30|300%|60|100%|0:45|8000
9時|1|150/100|150%|50|100%|3:00|1667
20時|1|10/20|50%|-10|0%|1:00|-1000
13時|1|0/50|0%|-50|0%|1:00|-5000
合計|4|250/200|125%|50|50%|5:45|870"
xdotool key Escape
wait_gone "店舗・機種別集計"
end_murel "$main"
echo "PASS: the totals by store, machine and starting hour read through AT-SPI match the hand count"
