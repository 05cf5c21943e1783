# Sourced after xserver.sh and windows.sh by the scripts that read the program as a screen reader
# does: start_accessibility gives the X server a session bus with the accessibility bus beside
# it, as a desktop has them; start_murel_aloud FOLDER runs the program there at 2003-05-12 10:00
# with its accessibility on, into app and log; read_table reads a window's table through AT-SPI.
for tool in dbus-daemon /usr/libexec/at-spi-bus-launcher /usr/bin/python3; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done
/usr/bin/python3 -c 'import dbus' 2>/dev/null || fail "python3-dbus is not installed (scripts/setup.sh installs it)"
e2e=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

start_accessibility() {
    local bus
    bus=$(dbus-daemon --session --fork --print-address=1 --print-pid=1)
    pids+=("$(sed -n 2p <<<"$bus")")
    export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
    /usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/a11y.log" 2>&1 &
    pids+=($!)
}

# The date is faked by preloading faketime's library straight into the program, so that app is
# the process whose tables AT-SPI lists.
start_murel_aloud() {
    local libfaketime
    libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 /usr/lib/faketime/libfaketime.so.1 2>/dev/null | head -n 1 || true)
    [ -n "$libfaketime" ] || fail "libfaketime.so.1 is not installed (package faketime)"
    log=$work/murel.log
    (cd "$1" && LD_PRELOAD="$libfaketime${LD_PRELOAD:+:$LD_PRELOAD}" FAKETIME='@2003-05-12 10:00:00' \
        FAKETIME_DONT_FAKE_MONOTONIC=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 exec "$murel") >"$log" 2>&1 &
    app=$!
    pids+=($app)
}

# read_table TITLE WANT [ROWS]: the first ROWS lines (all without it) of the tables of the window
# TITLE as read (headings, then rows, cells joined by "|"), until they read as WANT.
read_table() {
    local title=$1 want=$2 rows=${3:-} seen=""
    for _ in $(seq 1 50); do
        seen=$(/usr/bin/python3 "$e2e/atspi.py" table "$app" "$title")
        [ -z "$rows" ] || seen=$(head -n "$rows" <<<"$seen")
        [ "$seen" = "$want" ] && return 0
        sleep 0.2
    done
    fail "\"$title\" reads:"$'\n'"$seen"$'\n'"not:"$'\n'"$want"
}
