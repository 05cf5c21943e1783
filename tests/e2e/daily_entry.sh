#!/usr/bin/env bash
# End to end, the way a person uses the diary: under a real X server, with the date fixed, type one
# day's result into the daily input window, end the program and check the data file and its backup.
# Usage: daily_entry.sh <path to the murel executable> [--named] [--end=HOW]
# With --named the data file has another name and is named on the command line, relative to another
# working directory, which must stay empty.
# HOW the program ends after the day was typed:
#   escape        (default) Enter, then Esc in the main window: the way out with its questions
#   kill          Enter, then SIGKILL as soon as the daily input window is gone
#   term          Enter, then SIGTERM: the program ends by itself with exit code 0
#   term-pending  no Enter: SIGTERM while the typed day is still pending in the daily input window
set -euo pipefail
murel=$(realpath "$1")
shift
named=""
end=escape
for arg in "$@"; do
    case "$arg" in
        --named) named=--named ;;
        --end=*) end=${arg#--end=} ;;
        *) echo "unknown argument $arg" >&2; exit 2 ;;
    esac
done
. "$(dirname "$0")/xserver.sh"

mkdir -p "$work/elsewhere"
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
old_bytes=$(od -An -c "$data")

start_x_server 90 140
# libfaketime preloaded straight into the program, not through the faketime wrapper, which would
# run it as a child of its own: the signals below must reach the program itself.
libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1 2>/dev/null | head -n 1 || true)
[ -n "$libfaketime" ] || fail "libfaketime.so.1 is not installed (package faketime)"
(cd "$cwd" && LD_PRELOAD="$libfaketime${LD_PRELOAD:+:$LD_PRELOAD}" FAKETIME='@2003-05-12 10:00:00' \
    FAKETIME_DONT_FAKE_MONOTONIC=1 exec "$murel" "${args[@]}") >"$work/murel.log" 2>&1 &
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
if [ "$end" = "term-pending" ]; then
    # What is typed but not confirmed is entered as it stands when the program has to end.
    sleep 0.3
    kill -TERM "$app"
else
    xdotool key Return
    # The window is hidden right after the day's save: it is on disk when the window goes.
    for _ in $(seq 1 250); do window_named "実績入力" >/dev/null || break; sleep 0.02; done
    window_named "実績入力" >/dev/null && fail "the daily input window stayed open after Enter"
    case "$end" in
        kill) kill -KILL "$app" ;;
        term) kill -TERM "$app" ;;
        escape)
            xdotool windowactivate --sync "$main"
            sleep 0.3
            xdotool key Escape
            ;;
        *) fail "unknown way to end: $end" ;;
    esac
fi
# Within a few seconds, by itself (or killed).
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "the program did not end ($end)"
status=0
wait "$app" || status=$?
if [ "$end" = "kill" ]; then
    [ "$status" = 137 ] || fail "SIGKILL did not end the program (exit status $status)"
else
    [ "$status" = 0 ] || fail "the program exited with status $status ($end): $(cat "$work/murel.log")"
fi

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
# Beside the data file only its backup folder, holding the file as it was before the day's save,
# and after SIGKILL the lock the killed program could not remove (the next start takes it over).
beside="$name|$name.backup|"
[ "$end" = "kill" ] && beside="$name|$name.backup|$name.lock|"
[ "$(ls -A "$work/diary" | tr '\n' '|')" = "$beside" ] ||
    fail "files left beside the data file: $(ls -A "$work/diary")"
backup="$work/diary/$name.backup/${name%.*}-20030512.${name##*.}"
[ "$(ls -A "$work/diary/$name.backup")" = "$(basename "$backup")" ] ||
    fail "the backup folder holds $(ls -A "$work/diary/$name.backup")"
[ "$(od -An -c "$backup")" = "$old_bytes" ] || fail "the backup is not the file as it was"
[ -z "$(ls -A "$work/elsewhere")" ] || fail "files made in the working directory: $(ls -A "$work/elsewhere")"
if [ "$end" != "kill" ]; then
    [ -f "$work/config/Murel/Murel.conf" ] || fail "the settings are not in Murel/Murel.conf: $(find "$work/config")"
    grep -q '^GraphSpan=' "$work/config/Murel/Murel.conf" || fail "the settings were not written at exit"
fi
echo "PASS ($end): 20030512,0,2000,5000,3000, written to $name with CR LF; every other line unchanged; backup made"
