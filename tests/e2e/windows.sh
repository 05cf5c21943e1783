# Sourced after xserver.sh by the scripts that drive several windows of one program: app is its
# process id, the log its output.
# Shown windows of the program with this whole title, oldest first.
windows_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null || true; }
# Waits for a shown window with this title other than the ones given (a list of ids), makes sure
# it is the active one, and prints its id.
wait_window() {
    local title=$1 not=${2:-} w="" id
    for _ in $(seq 1 150); do
        w=""
        for id in $(windows_named "$title"); do
            grep -qxF "$id" <<<"$not" || w=$id
        done
        [ -n "$w" ] && break
        kill -0 "$app" 2>/dev/null || fail "the program ended early: $(cat "$log")"
        sleep 0.1
    done
    [ -n "$w" ] || fail "no window \"$title\" appeared"
    for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] && break; sleep 0.1; done
    [ "$(xdotool getactivewindow 2>/dev/null)" = "$w" ] || fail "\"$title\" is not the active window"
    sleep 0.3
    echo "$w"
}
# Waits until no window with this title other than the ones given is shown.
wait_gone() {
    local title=$1 not=${2:-} id left
    for _ in $(seq 1 100); do
        left=""
        for id in $(windows_named "$title"); do grep -qxF "$id" <<<"$not" || left=$id; done
        [ -z "$left" ] && return 0
        sleep 0.1
    done
    fail "the window \"$title\" stayed open"
}
# Waits until the window with this id is no longer shown.
wait_closed() {
    for _ in $(seq 1 100); do
        xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qxF "$1" || return 0
        sleep 0.1
    done
    fail "the window $1 stayed open"
}
# Activates the window and waits until it is the active one.
activate() {
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    for _ in $(seq 1 50); do [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ] && break; sleep 0.1; done
    sleep 0.3
}
# Runs the program in folder $1 at 2003-05-12 10:00 (faketime), into app and log.
start_murel() {
    log=$work/murel-$(basename "$1").log
    (cd "$1" && FAKETIME_DONT_FAKE_MONOTONIC=1 exec faketime -f '@2003-05-12 10:00:00' "$murel") >"$log" 2>&1 &
    app=$!
    pids+=($app)
}
# Esc in the main window ends the program, which must exit with 0.
end_murel() {
    activate "$1"
    xdotool key Escape
    for _ in $(seq 1 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app" 2>/dev/null && fail "the program did not end after Esc in the main window"
    wait "$app" || fail "the program exited with an error: $(cat "$log")"
}
