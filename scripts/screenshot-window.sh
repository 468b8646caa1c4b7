#!/usr/bin/env bash
# Shows the main window as a person sees it, without a display: a simulated Cubrix and a
# simulated monitor on two loopback addresses, the program under a virtual X server with a
# throw-away data folder whose saved tabs point at them, both tabs connected by keyboard
# (Ctrl+C on the first tab, Ctrl+2 and Ctrl+C on the second), with screenshots on the way.
#
#   scripts/screenshot-window.sh [output-prefix]
#
# Writes <prefix>-start.png (before connecting), <prefix>-monitor.png and <prefix>-cubrix.png
# (each tab connected, showing its identity) and <prefix>-light.png (the light theme); the
# prefix defaults to ./brevanto-window. Uses build/ (or $BREVANTO_BUILD_DIR); the
# addresses can be changed with BREVANTO_SHOT_CUBRIX_IP / BREVANTO_SHOT_MONITOR_IP (both
# loopback; the devices are reached on the MNCP port 18181).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BUILD_DIR:-$root/build}"
app="$build/app/brevanto"
sim="$build/tools/brevanto-sim/brevanto-sim"

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, with DISPLAY set by xvfb-run.
    prefix="$2"
    "$app" >"$BREVANTO_SHOT_WORK/app.log" 2>&1 &
    app_pid=$!
    trap 'kill "$app_pid" 2>/dev/null || true; wait "$app_pid" 2>/dev/null || true' EXIT
    window=""
    for _ in $(seq 1 100); do
        window="$(xdotool search --name 'TWK: Brevanto' 2>/dev/null | head -n 1 || true)"
        [ -n "$window" ] && break
        sleep 0.2
    done
    if [ -z "$window" ]; then
        echo "the window did not appear; see $BREVANTO_SHOT_WORK/app.log" >&2
        exit 1
    fi
    sleep 1
    xdotool windowfocus --sync "$window"
    sleep 0.5
    import -window "$window" "$prefix-start.png"
    xdotool key --clearmodifiers ctrl+c
    sleep 2
    xdotool key --clearmodifiers ctrl+2
    sleep 0.5
    xdotool key --clearmodifiers ctrl+c
    sleep 2
    import -window "$window" "$prefix-monitor.png"
    xdotool key --clearmodifiers ctrl+1
    sleep 1
    import -window "$window" "$prefix-cubrix.png"
    xdotool key --clearmodifiers shift+l
    sleep 1
    import -window "$window" "$prefix-light.png"
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-window}")"
cubrix_ip="${BREVANTO_SHOT_CUBRIX_IP:-127.18.181.1}"
monitor_ip="${BREVANTO_SHOT_MONITOR_IP:-127.18.181.2}"
for tool in xvfb-run xdotool import; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps.sh" >&2; exit 1; }
done
for program in "$app" "$sim"; do
    [ -x "$program" ] || { echo "missing $program: build first (scripts/build.sh)" >&2; exit 1; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

"$sim" --role cubrix --listen "$cubrix_ip" --port 18181 >"$work/cubrix.log" 2>&1 &
pids+=($!)
"$sim" --role monitor --family kt --listen "$monitor_ip" --port 18181 >"$work/monitor.log" 2>&1 &
pids+=($!)
for log in "$work/cubrix.log" "$work/monitor.log"; do
    for _ in $(seq 1 50); do
        grep -q "listening on" "$log" 2>/dev/null && break
        sleep 0.1
    done
    grep -q "listening on" "$log" || { echo "simulator did not start:" >&2; cat "$log" >&2; exit 1; }
done

mkdir -p "$work/home" "$work/data/Tarnwick" "$work/config" "$work/cache"
printf '0,CUBRIX,%s,Grading Box,dark\n1,MONITOR,%s,Hero Monitor,dark\n' "$cubrix_ip" "$monitor_ip" \
    >"$work/data/Tarnwick/BrevantosavedTabs.conf"

export HOME="$work/home" XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export BREVANTO_SHOT_WORK="$work" LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1100x820x24" "$0" --inside-xvfb "$prefix"

echo "commands the simulators received:"
grep -h -v "listening on" "$work/cubrix.log" "$work/monitor.log" | head -n 12
echo "screenshots: $prefix-start.png $prefix-cubrix.png $prefix-monitor.png $prefix-light.png"
