#!/usr/bin/env bash
# End to end under a real X server with the date fixed, read as a screen reader reads it: set the
# month's loss limit in ﾂｰﾙ → 上限の設定, type days into the daily input window that take May past
# 50, 75, 90 and 100 % of it, and see one box per threshold, each once, and the status line at the
# bottom of the main window, read through AT-SPI.
# Usage: limits.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xserver.sh"
. "$here/windows.sh"
. "$here/accessible.sh"

without_daily_input_at_start
# May 2003 has lost 40 (hundreds of yen) so far.
printf '%s\r\n' '20030420,0,-10000,0,10000,' '20030505,0,-4000,500,4500,' > "$data"

start_x_server 241 290
start_accessibility
start_murel_aloud "$work/diary"
main=$(wait_window "ミュレル")

# The labels of the program's windows, "window<TAB>text", as AT-SPI gives them.
labels() { /usr/bin/python3 "$here/atspi.py" labels "$app"; }
status_line() {
    local want=$1 seen=""
    for _ in $(seq 1 30); do
        seen=$(labels | awk -F'\t' '$1 == "ミュレル" && $2 ~ /^今月の/ { print $2 }')
        [ "$seen" = "$want" ] && return 0
        sleep 0.2
    done
    fail "the status line reads \"$seen\", not \"$want\""
}
# The boxes that come after a day: each is read, then closed with Enter; then no other comes.
boxes() {
    local want=("$@") box text
    for threshold in "${want[@]}"; do
        box=$(wait_window "ミュレル" "$main")
        text=$(labels | awk -F"\t" '$2 ~ /に達しました/ { print $2 }')
        if [ "$threshold" = 100 ]; then
            [[ "$text" == 今月の負けが月の負けの上限に達しました。* ]] || fail "the 100% box reads \"$text\""
        else
            [[ "$text" == 今月の負けが月の負けの上限の${threshold}%に達しました。* ]] \
                || fail "the ${threshold}% box reads \"$text\""
        fi
        xdotool key Return
        wait_closed "$box"
    done
    sleep 1.5
    [ "$(windows_named "ミュレル" | wc -l)" = 1 ] || fail "more boxes than ${#want[@]}"
}
# Types a day into the daily input window, opened with "実績入力(&I)" on the day the list selects
# (moved down first unless told otherwise), and confirms it with Enter.
type_day() {
    local move=$1 collected=$2 invested=$3
    activate "$main"
    [ "$move" = down ] && xdotool key Down
    xdotool key alt+i
    wait_window "実績入力" >/dev/null
    xdotool type --delay 60 "$collected"
    xdotool key Tab
    xdotool type --delay 60 "$invested"
    xdotool key Return
    wait_gone "実績入力"
}

status_line ""
xdotool key --delay 100 alt+t l
wait_window "上限の設定" >/dev/null
# The focus starts on "月の負けの上限(&L)": check it, then its value; Enter is OK.
xdotool key space Tab ctrl+a
xdotool type --delay 60 "100"
xdotool key Return
wait_gone "上限の設定"
status_line "今月の負け 40/100 (40%)"

type_day here 0 20   # 5/12: 60 lost
boxes 50
status_line "今月の負け 60/100 (60%)"
type_day down 0 35   # 5/13: 95
boxes 75 90
status_line "今月の負け 95/100 (95%)"
type_day down 10 0   # 5/14: a win, 85
boxes
status_line "今月の負け 85/100 (85%)"
type_day down 0 20   # 5/15: 105
boxes 100
status_line "今月の負け 105/100 (105%)"
type_day down 0 5    # 5/16: 110, every threshold told already
boxes
status_line "今月の負け 110/100 (110%)"

end_murel "$main"
expected=$(printf '%s\r\n' '20030420,0,-10000,0,10000,' '20030505,0,-4000,500,4500,' \
    '20030512,0,-2000,0,2000,' '20030513,0,-3500,0,3500,' '20030514,0,1000,1000,0,' \
    '20030515,0,-2000,0,2000,' '20030516,0,-500,0,500,' | od -An -c)
[ "$(od -An -c "$data")" = "$expected" ] || { od -c "$data"; fail "the data file does not hold the days typed"; }
conf=$work/config/Murel/Murel.conf
grep -q '^Told_Month=200305' "$conf" && grep -q '^Loss_Told=15' "$conf" \
    || fail "what was told is not kept: $(cat "$conf")"
echo "PASS: one box per threshold, each once; the status line read through AT-SPI after each day"
