# Sourced by run.sh and the screenshot scripts: where the built programs are, simulators on
# loopback addresses that stop with the script, a throw-away data folder, and the program's
# window under a virtual X server.

brevanto_root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
brevanto_build="${BREVANTO_BUILD_DIR:-$brevanto_root/build}"
brevanto_app="$brevanto_build/app/brevanto"
brevanto_sim="$brevanto_build/tools/brevanto-sim/brevanto-sim"

brevanto_sim_pids=()

# Stops every simulator this script started; callers make it part of their EXIT trap.
brevanto_stop_sims() {
    local pid
    for pid in "${brevanto_sim_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${brevanto_sim_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    brevanto_sim_pids=()
}

# brevanto_start_sim LOG ARGS...: starts a simulator writing LOG and waits (bounded) until it
# listens. The address must be a loopback one; the simulator refuses any other.
brevanto_start_sim() {
    local log="$1"
    shift
    : >"$log"
    "$brevanto_sim" "$@" >>"$log" 2>&1 &
    local pid=$!
    brevanto_sim_pids+=("$pid")
    for _ in $(seq 1 100); do
        grep -q "listening on" "$log" 2>/dev/null && return 0
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "the simulator ($*) did not start; its log says:" >&2
    tail -n 5 "$log" >&2
    return 1
}

# brevanto_require TOOL...: every command named must be installed.
brevanto_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
    done
}

# brevanto_require_built: the program and the simulator must have been built.
brevanto_require_built() {
    local program
    for program in "$brevanto_app" "$brevanto_sim"; do
        [ -x "$program" ] || { echo "missing $program: build first (scripts/build.sh)" >&2; exit 1; }
    done
}

# brevanto_private_home WORK TAB...: HOME and the XDG folders under WORK, with a saved-tabs list
# of the given lines (the program keeps it at <data>/Tarnwick/BrevantosavedTabs.conf).
brevanto_private_home() {
    local work="$1"
    shift
    mkdir -p "$work/home" "$work/data/Tarnwick" "$work/config" "$work/cache"
    printf '%s\n' "$@" >"$work/data/Tarnwick/BrevantosavedTabs.conf"
    export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
}

# brevanto_in_xvfb SCREEN ARGS...: runs this script again as "$0 --inside-xvfb ARGS..." under a
# virtual X server of the given size, with Mesa's software OpenGL for the scope graphs.
brevanto_in_xvfb() {
    local screen="$1"
    shift
    LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 ${screen}x24" "$0" --inside-xvfb "$@"
}

# brevanto_open_window LOG [WIDTH HEIGHT]: inside the virtual X server, starts the program
# (output to LOG, stopped when the script ends), sets brevanto_window to its main window once it
# is there, resizes it if asked, and gives it the keyboard focus (window keys need it).
brevanto_open_window() {
    local log="$1"
    brevanto_find_window "$log" || return 1
    [ $# -lt 3 ] || xdotool windowsize --sync "$brevanto_window" "$2" "$3" || true
    sleep 1
    xdotool windowfocus --sync "$brevanto_window"
    sleep 0.5
}

brevanto_find_window() {
    local log="$1"
    brevanto_window=""
    "$brevanto_app" >"$log" 2>&1 &
    brevanto_app_pid=$!
    trap 'kill "$brevanto_app_pid" 2>/dev/null || true; wait "$brevanto_app_pid" 2>/dev/null || true' EXIT
    for _ in $(seq 1 100); do
        brevanto_window="$(xdotool search --name 'TWK: Brevanto' 2>/dev/null | head -n 1 || true)"
        [ -n "$brevanto_window" ] && return 0
        sleep 0.2
    done
    echo "the window did not appear; see $log" >&2
    return 1
}
