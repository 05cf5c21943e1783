# Sourced first by the end-to-end scripts: fail, the tools they need, a scratch folder in work with
# the program's runtime, settings and diary folders (data names the diary's file), and the
# processes to stop on exit in pids, all removed when the script ends.
# without_daily_input_at_start writes settings that keep the daily input window closed at start. start_x_server FIRST
# LAST starts Xvfb on a free display between :FIRST and :LAST with a window manager, exports
# DISPLAY, and sets the environment the program runs in.
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in Xvfb xdotool xkbcomp faketime openbox; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/setup.sh installs it)"
done

work=$(mktemp -d)
mkdir -p "$work/run" "$work/config" "$work/diary"
chmod 700 "$work/run"
data=$work/diary/Murel1.Dat
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

without_daily_input_at_start() {
    mkdir -p "$work/config/Murel"
    printf '[Option]\nDailyInput_Show=0\n' > "$work/config/Murel/Murel.conf"
}

start_x_server() {
    local display="" n
    for n in $(seq "$1" "$2"); do
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
}

# xdotool types a character missing from the keymap by binding it to a spare key for a moment,
# and a client that reads the keymap after it was put back loses the character. So every
# character beyond ASCII in the arguments gets a key of its own first (F13 and up, two levels),
# and xdotool types it as any other key. At most 24 distinct characters.
map_characters() {
    local chars keys=() c n=0 keymap
    chars=$(printf '%s' "$*" | grep -o . | LC_ALL=C.UTF-8 awk '!seen[$0]++' | grep -v '^[ -~]$' || true)
    while IFS= read -r c; do
        [ -n "$c" ] || continue
        keys+=("$(printf 'U%04X' "'$c")")
    done <<<"$chars"
    [ ${#keys[@]} -le 24 ] || fail "more than 24 characters to map"
    keymap=$work/keymap.xkb
    {
        echo 'xkb_keymap {'
        echo '  xkb_keycodes { include "evdev+aliases(qwerty)" };'
        echo '  xkb_types { include "complete" };'
        echo '  xkb_compat { include "complete" };'
        echo '  xkb_symbols { include "pc+us+inet(evdev)"'
        while [ $n -lt ${#keys[@]} ]; do
            printf '    key <FK%d> { type = "TWO_LEVEL", [ %s, %s ] };\n' $((13 + n / 2)) \
                "${keys[$n]}" "${keys[$((n + 1))]:-NoSymbol}"
            n=$((n + 2))
        done
        echo '  };'
        echo '  xkb_geometry { include "pc(pc105)" };'
        echo '};'
    } >"$keymap"
    xkbcomp -w 0 "$keymap" "$DISPLAY" >"$work/xkbcomp.log" 2>&1 \
        || fail "the keymap could not be set: $(cat "$work/xkbcomp.log")"
}
