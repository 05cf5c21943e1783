#!/usr/bin/env bash
# End to end, the way a person uses the diary: under a real X server, with the date fixed, type one
# day's result into the daily input window, close the main window and check the data file.
# Usage: daily_entry.sh <path to the murel executable> [--named]
# With --named the data file has another name and is named on the command line, relative to another
# working directory, which must stay empty.
set -euo pipefail
murel=$(realpath "$1")
named=${2:-}
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool faketime openbox; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done

work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/run" "$work/config" "$work/diary" "$work/elsewhere"
chmod 700 "$work/run"
if [ "$named" = "--named" ]; then
    name="収支 2003.dat"
    cwd=$work/elsewhere
    args=("../diary/$name")
else
    name=Murel1.Dat
    cwd=$work/diary
    args=()
fi
data=$work/diary/$name
# Lines of other years around the period, a line of the same month and one of the same year.
printf '%s\r\n' \
    '20020101,0,-5000,10000,15000,' \
    '20021231,1,3000,0,0,' \
    '20030105,0,1200,4200,3000,' \
    '20030511,0,-100,0,100,' \
    '20040301,0,700,1700,1000,' \
    '20050815,1,-2500,0,0,' > "$data"

# A free display number.
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no free X display"
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 1 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
xdotool getmouselocation >/dev/null 2>&1 || fail "the X server did not start: $(cat "$work/xvfb.log")"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
sleep 1

export XDG_RUNTIME_DIR=$work/run XDG_CONFIG_HOME=$work/config HOME=$work
export QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8
# faketime preloads its library ahead of a sanitizer build's runtime; that order is harmless here.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
unset QT_QPA_PLATFORMTHEME
(cd "$cwd" && FAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f '@2003-05-12 10:00:00' "$murel" "${args[@]}") >"$work/murel.log" 2>&1 &
app=$!
pids+=($app)

# Find a shown window of the program by its whole title (only the program runs on this display).
window_named() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .
}
entry=""
for _ in $(seq 1 150); do
    entry=$(window_named "実績入力") && break
    kill -0 "$app" 2>/dev/null || fail "the program ended early: $(cat "$work/murel.log")"
    sleep 0.2
done
[ -n "$entry" ] || fail "the daily input window did not open"
main=$(window_named "ミュレル") || fail "the main window is not shown"

# The window opens active with the collected field focused and its text selected: type the day as
# a person would, without clicking anything first.
for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$entry" ] && break; sleep 0.1; done
[ "$(xdotool getactivewindow 2>/dev/null)" = "$entry" ] || fail "the daily input window is not the active window"
sleep 0.3
xdotool type --delay 80 "50"
xdotool key --delay 80 Tab
xdotool type --delay 80 "30"
xdotool key Return
for _ in $(seq 1 50); do window_named "実績入力" >/dev/null || break; sleep 0.1; done
window_named "実績入力" >/dev/null && fail "the daily input window stayed open after Enter"

xdotool windowactivate --sync "$main"
sleep 0.3
xdotool key Escape
for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end after Esc in the main window"
wait "$app" || fail "the program exited with an error: $(cat "$work/murel.log")"

expected=$(printf '%s\r\n' \
    '20020101,0,-5000,10000,15000,' \
    '20021231,1,3000,0,0,' \
    '20030105,0,1200,4200,3000,' \
    '20030511,0,-100,0,100,' \
    '20030512,0,2000,5000,3000,' \
    '20040301,0,700,1700,1000,' \
    '20050815,1,-2500,0,0,' | od -An -c)
actual=$(od -An -c "$data")
if [ "$expected" != "$actual" ]; then
    echo "expected:"; printf '%s\n' "$expected"; echo "actual:"; od -c "$data"
    fail "the data file does not hold exactly the day's new line among the old ones"
fi
[ "$(ls -A "$work/diary")" = "$name" ] || fail "files left beside the data file: $(ls -A "$work/diary")"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "files made in the working directory: $(ls -A "$work/elsewhere")"
[ -f "$work/config/Murel/Murel.conf" ] || fail "the settings are not in Murel/Murel.conf: $(find "$work/config")"
echo "PASS: 20030512,0,2000,5000,3000, written to $name with CR LF; every other line unchanged"
