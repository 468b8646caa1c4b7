#!/usr/bin/env bash
# Shows the main window as a person sees it, without a display: a simulated Cubrix and a
# simulated monitor on two loopback addresses, the program under a virtual X server with a
# throw-away data folder whose saved tabs point at them, both tabs connected by keyboard
# (Ctrl+C on the first tab, Ctrl+2 and Ctrl+C on the second), with screenshots on the way.
#
#   scripts/screenshot-window.sh [output-prefix]
#
# Writes <prefix>-start.png (before connecting), <prefix>-monitor.png and <prefix>-cubrix.png
# (each tab connected, showing its identity), <prefix>-light.png (the light theme) and
# <prefix>-close-question.png (Ctrl+W on the connected tab: the question before closing it); the
# prefix defaults to ./brevanto-window. Uses build/ (or $BREVANTO_BUILD_DIR); the
# addresses can be changed with BREVANTO_SHOT_CUBRIX_IP / BREVANTO_SHOT_MONITOR_IP (both
# loopback; the devices are reached on the MNCP port 18181).
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, with DISPLAY set by xvfb-run.
    prefix="$2"
    brevanto_open_window "$BREVANTO_SHOT_WORK/app.log"
    window="$brevanto_window"
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
    xdotool key --clearmodifiers alt+l
    sleep 1
    import -window "$window" "$prefix-light.png"
    # Closing the connected tab asks first; the question is a window of its own.
    xdotool key --clearmodifiers ctrl+w
    sleep 1
    import -window root "$prefix-close-question.png"
    xdotool key --clearmodifiers Escape
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-window}")"
cubrix_ip="${BREVANTO_SHOT_CUBRIX_IP:-127.18.181.1}"
monitor_ip="${BREVANTO_SHOT_MONITOR_IP:-127.18.181.2}"
brevanto_require xvfb-run xdotool import
brevanto_require_built

work="$(mktemp -d)"
trap 'brevanto_stop_sims; rm -rf "$work"' EXIT
brevanto_start_sim "$work/cubrix.log" --role cubrix --listen "$cubrix_ip" --port 18181
brevanto_start_sim "$work/monitor.log" --role monitor --family kt --listen "$monitor_ip" --port 18181
brevanto_private_home "$work" "0,CUBRIX,$cubrix_ip,Grading Box,dark" "1,MONITOR,$monitor_ip,Hero Monitor,dark"
export BREVANTO_SHOT_WORK="$work"
brevanto_in_xvfb 1100x820 "$prefix"

echo "commands the simulators received:"
grep -h -v "listening on" "$work/cubrix.log" "$work/monitor.log" | head -n 12
echo "screenshots: $prefix-start.png $prefix-cubrix.png $prefix-monitor.png $prefix-light.png $prefix-close-question.png"
