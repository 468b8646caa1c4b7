#!/usr/bin/env bash
# Shows the Cubrix pages in every box mode, as a person sees them, without a display: a
# simulated Cubrix on a loopback address, the program under a virtual X server with a
# throw-away data folder whose saved tab points at it, connected by keyboard (Ctrl+C), then
# the box switched from the page's own keys (1, 2, 4, 5, 3); every screenshot is taken once
# the box's answers to the re-queries have moved the highlights.
#
#   scripts/screenshot-cubrix-pages.sh [output-prefix]
#
# Writes <prefix>-mode1.png, <prefix>-mode2-ch1.png, <prefix>-mode2-ch2.png,
# <prefix>-mode3.png (the controls page in each mode), <prefix>-settings.png (the settings
# page) and <prefix>-light.png (mode 2 in the light theme); the prefix defaults to
# ./brevanto-cubrix. Uses build/ (or $BREVANTO_BUILD_DIR); the simulated model can be chosen
# with BREVANTO_SHOT_MODEL ("Cubrix", "Cubrix Mono DP", "Cubrix Mono SDI") and its loopback
# address with BREVANTO_SHOT_CUBRIX_IP (the box is reached on the MNCP port 18181).
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"

# Waits until the simulator's log has grown by a line matching $2 after line $1 (bounded).
wait_for_log() {
    local from="$1" pattern="$2"
    for _ in $(seq 1 50); do
        tail -n +"$((from + 1))" "$BREVANTO_SHOT_WORK/cubrix.log" | grep -q -- "$pattern" && return 0
        sleep 0.1
    done
    echo "the simulator did not log '$pattern'" >&2
    return 1
}

log_lines() {
    wc -l <"$BREVANTO_SHOT_WORK/cubrix.log"
}

# Presses a key in the window and waits for the simulator to log the answer it expects, then
# for the program's re-queries (500 ms after a mode key) and a redraw.
press() {
    local key="$1" pattern="$2" settle="$3"
    local from
    from="$(log_lines)"
    xdotool key --clearmodifiers "$key"
    wait_for_log "$from" "$pattern"
    sleep "$settle"
}

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, with DISPLAY set by xvfb-run.
    prefix="$2"
    # Tall enough for the whole controls page (the generator's panels sit below the row).
    brevanto_open_window "$BREVANTO_SHOT_WORK/app.log" 1020 1260
    window="$brevanto_window"
    from="$(log_lines)"
    xdotool key --clearmodifiers ctrl+c
    wait_for_log "$from" "connected from"
    sleep 2
    # The simulated box starts in single channel mode.
    import -window "$window" "$prefix-mode1.png"
    press 2 "box mode 2" 1.5
    import -window "$window" "$prefix-mode2-ch1.png"
    press 5 "channel 2 selected" 1
    import -window "$window" "$prefix-mode2-ch2.png"
    xdotool key --clearmodifiers shift+l
    sleep 1
    import -window "$window" "$prefix-light.png"
    xdotool key --clearmodifiers shift+k
    sleep 0.5
    press 3 "box mode 3" 1.5
    import -window "$window" "$prefix-mode3.png"
    xdotool key --clearmodifiers shift+s
    sleep 1
    import -window "$window" "$prefix-settings.png"
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-cubrix}")"
cubrix_ip="${BREVANTO_SHOT_CUBRIX_IP:-127.18.181.3}"
model="${BREVANTO_SHOT_MODEL:-Cubrix}"
case "$cubrix_ip" in
    127.*) ;;
    *) echo "BREVANTO_SHOT_CUBRIX_IP must be a loopback address" >&2; exit 1 ;;
esac
brevanto_require xvfb-run xdotool import
brevanto_require_built

work="$(mktemp -d)"
trap 'brevanto_stop_sims; rm -rf "$work"' EXIT
brevanto_start_sim "$work/cubrix.log" --role cubrix --model "$model" --listen "$cubrix_ip" --port 18181
brevanto_private_home "$work" "0,CUBRIX,$cubrix_ip,Grading Box,dark"
export BREVANTO_SHOT_WORK="$work"
brevanto_in_xvfb 1100x1300 "$prefix"

echo "the last commands the simulator received:"
grep -v "listening on" "$work/cubrix.log" | tail -n 12
echo "screenshots: $prefix-mode1.png $prefix-mode2-ch1.png $prefix-mode2-ch2.png $prefix-mode3.png $prefix-settings.png $prefix-light.png"
