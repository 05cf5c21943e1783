# Sourced by the end-to-end scripts after they set work (a scratch folder) and pids (the processes
# to stop on exit). start_x_server FIRST LAST starts Xvfb on a free display between :FIRST and
# :LAST with a window manager, exports DISPLAY, and sets the environment the program runs in.
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
