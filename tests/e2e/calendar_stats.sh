#!/usr/bin/env bash
# End to end under a real X server, read as a screen reader reads it: on a known data file, the
# calendar (Alt+T, C) and its cells of May 2003, then the statistics (Alt+T, T) for the shown
# period and for every year, each value read through AT-SPI and compared with a hand count.
# Usage: calendar_stats.sh <path to the murel executable>
set -euo pipefail
murel=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
. "$here/xserver.sh"
. "$here/windows.sh"
. "$here/accessible.sh"

without_daily_input_at_start
# +50 in December 2002; then -100, +80 and a balance-only -20 in 2003.
lines=('20021215,0,5000,15000,10000,' '20030420,0,-10000,0,10000,' '20030505,0,8000,18000,10000,'
       '20030506,1,-2000,0,0,')
printf '%s\r\n' "${lines[@]}" > "$data"

start_x_server 381 420
start_accessibility
start_murel_aloud "$work/diary"
main=$(wait_window "ミュレル")

xdotool key --delay 100 alt+t c
wait_window "カレンダー" >/dev/null
read_table "カレンダー" "日|月|火|水|木|金|土
||||2003/05/01 (木) 結果なし|2003/05/02 (金) 結果なし|2003/05/03 (土) 結果なし
2003/05/04 (日) 結果なし|2003/05/05 (月) 収支 80|2003/05/06 (火) 収支 -20|2003/05/07 (水) 結果なし|2003/05/08 (木) 結果なし|2003/05/09 (金) 結果なし|2003/05/10 (土) 結果なし" 3
xdotool key Escape
wait_gone "カレンダー"

activate "$main"
xdotool key --delay 100 alt+t t
wait_window "統計" >/dev/null
# 2003: -100, +80, -20. Spread of (-100, 80, -20): mean -13.3, sample variance 8133.3.
read_table "統計" "項目|値
稼働日数|3
勝ち日数|1
負け日数|2
引き分け日数|0
勝率|33%
投資合計|200
回収合計|180
収支合計|-40
回収率|90%
1日平均収支|-13.3
標準偏差|90.2
最大勝ち|80 2003/05/05 (月)
最大負け|-100 2003/04/20 (日)
最大連勝|1連勝 2003/05/05 (月) ～ 2003/05/05 (月)
最大連敗|1連敗 2003/04/20 (日) ～ 2003/04/20 (日)
最大ドローダウン|100 開始時 ～ 2003/04/20 (日)
最高の月|60 2003/05
最低の月|-100 2003/04" 20
# Every year: +50 first, so the fall of 100 runs from 2002/12/15 to 2003/04/20. Spread of
# (50, -100, 80, -20): mean 2.5, sample variance 6425.
xdotool key alt+a
read_table "統計" "項目|値
稼働日数|4
勝ち日数|2
負け日数|2
引き分け日数|0
勝率|50%
投資合計|300
回収合計|330
収支合計|10
回収率|110%
1日平均収支|2.5
標準偏差|80.2
最大勝ち|80 2003/05/05 (月)
最大負け|-100 2003/04/20 (日)
最大連勝|1連勝 2002/12/15 (日) ～ 2002/12/15 (日)
最大連敗|1連敗 2003/04/20 (日) ～ 2003/04/20 (日)
最大ドローダウン|100 2002/12/15 (日) ～ 2003/04/20 (日)
最高の月|60 2003/05
最低の月|-100 2003/04" 20
xdotool key Escape
wait_gone "統計"
end_murel "$main"
[ "$(od -An -c "$data")" = "$(printf '%s\r\n' "${lines[@]}" | od -An -c)" ] || fail "the data file changed"
echo "PASS: the calendar's cells and the statistics of both ranges read through AT-SPI match the hand count"
