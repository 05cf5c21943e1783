# Sourced first by the end-to-end scripts: fail, the tools they need, a scratch folder in work and
# the processes to stop on exit in pids, all removed when the script ends. start_x_server FIRST
# LAST starts Xvfb on a free display between :FIRST and :LAST with a window manager, exports
# DISPLAY, and sets the environment the program runs in.
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
