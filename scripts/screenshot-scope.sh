#!/usr/bin/env bash
# Shows the scope windows as a person sees them, without a display: a simulated KT monitor
# streaming a moving 75% colour-bar signal on a loopback address, the program under a virtual
# X server with a throw-away data folder whose saved tab points at it; the tab is connected by
# keyboard (Ctrl+C), the waveform and vector windows are opened from the monitor page
# (Shift+W, Shift+V) and started with their Start buttons.
#
#   scripts/screenshot-scope.sh [output-prefix] [dark|light]
#
# Writes <prefix>-waveform.png, <prefix>-vector.png (the six colour-bar spots should sit in the
# inner, 75% target boxes of the graticule), <prefix>-vector-2x.png (the "2x" zoom: the spots
# move out, the graticule keeps its size) and <prefix>-capture.png (the capture window after
# "Capture Image"); the prefix defaults to ./brevanto-scope, the theme to dark. Uses build/ (or
# $BREVANTO_BUILD_DIR); the monitor's address can be changed with BREVANTO_SHOT_MONITOR_IP
# (loopback; the device is reached on the MNCP port 18181).
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"
tab_name="Scope Monitor"

# The windows the program has open under the tab's title (the scope and capture windows take it).
tab_windows() {
    xdotool search --name "^$tab_name\$" 2>/dev/null | sort || true
}

# Waits for a window of the tab that is not in the list $1; prints its id.
new_window() {
    local before="$1" id
    for _ in $(seq 1 50); do
        for id in $(tab_windows); do
            if ! grep -qx "$id" <<<"$before"; then
                echo "$id"
                return 0
            fi
        done
        sleep 0.2
    done
    return 1
}

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, with DISPLAY set by xvfb-run.
    prefix="$2"
    brevanto_open_window "$BREVANTO_SHOT_WORK/app.log"
    main="$brevanto_window"
    xdotool key --clearmodifiers ctrl+c
    sleep 3

    # Waveform: Shift+W on the monitor page, then Start (the first button of the window).
    before="$(tab_windows)"
    xdotool key --clearmodifiers shift+w
    waveform="$(new_window "$before")" || { echo "no waveform window:" >&2; xdotool search --name "." getwindowname %@ >&2 || true; grep -v "mncp_print\|processCmd\|add cmd" "$BREVANTO_SHOT_WORK/app.log" | tail -n 30 >&2; exit 1; }
    sleep 1.5
    xdotool mousemove --window "$waveform" 50 15 click 1
    sleep 4
    import -window "$waveform" "$prefix-waveform.png"

    # Vector: Shift+V from the main window, Start, and later the "2x" button.
    xdotool windowfocus --sync "$main"
    sleep 0.5
    before="$(tab_windows)"
    xdotool key --clearmodifiers shift+v
    vector="$(new_window "$before")" || { echo "no vector window; see $BREVANTO_SHOT_WORK/app.log" >&2; exit 1; }
    sleep 1.5
    xdotool mousemove --window "$vector" 50 15 click 1
    sleep 4
    import -window "$vector" "$prefix-vector.png"
    xdotool mousemove --window "$vector" 261 15 click 1
    sleep 3
    import -window "$vector" "$prefix-vector-2x.png"
    xdotool windowfocus --sync "$vector"
    xdotool key --clearmodifiers shift+q
    xdotool windowfocus --sync "$waveform" 2>/dev/null || true
    xdotool key --clearmodifiers shift+q
    sleep 1

    # Capture window: Shift+C, then "Capture Image" (a left click on the picture does the same).
    xdotool windowfocus --sync "$main"
    sleep 0.5
    before="$(tab_windows)"
    xdotool key --clearmodifiers shift+c
    capture="$(new_window "$before")" || { echo "no capture window; see $BREVANTO_SHOT_WORK/app.log" >&2; exit 1; }
    sleep 1.5
    xdotool mousemove --window "$capture" 600 220 click 1
    sleep 4
    import -window "$capture" "$prefix-capture.png"
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-scope}")"
theme="${2:-dark}"
case "$theme" in
    dark | light) ;;
    *) echo "theme: dark or light, not $theme" >&2; exit 2 ;;
esac
monitor_ip="${BREVANTO_SHOT_MONITOR_IP:-127.18.183.2}"
brevanto_require xvfb-run xdotool import
brevanto_require_built

work="$(mktemp -d)"
trap 'brevanto_stop_sims; rm -rf "$work"' EXIT
brevanto_start_sim "$work/monitor.log" --role monitor --family kt --listen "$monitor_ip" --port 18181
brevanto_private_home "$work" "0,MONITOR,$monitor_ip,$tab_name,$theme"
export BREVANTO_SHOT_WORK="$work"
brevanto_in_xvfb 1100x820 "$prefix"

echo "scope requests the simulator answered: $(grep -c '0x0403\|scope' "$work/monitor.log" || true)"
echo "screenshots: $prefix-waveform.png $prefix-vector.png $prefix-vector-2x.png $prefix-capture.png"
