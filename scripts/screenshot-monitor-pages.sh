#!/usr/bin/env bash
# Shows the monitor page of each monitor family as a person sees it, without a display: four
# simulated monitors (KT, RV, RVQ and a plain listed monitor) on four loopback addresses, the
# program under a virtual X server with a throw-away data folder whose saved tabs point at
# them, each tab selected and connected by keyboard (Ctrl+N, then Ctrl+C), one screenshot each.
#
#   scripts/screenshot-monitor-pages.sh [output-prefix]
#
# Writes <prefix>-kt.png, <prefix>-rv.png, <prefix>-rvq.png and <prefix>-other.png; the prefix
# defaults to ./brevanto-monitor. Uses build/ (or $BREVANTO_BUILD_DIR). The window is made
# taller than its minimum so that more of each page shows; on the RV page the LUT boxes are
# opened, on the RVQ page the stored markers listed and an analyzer picture fetched (mouse
# clicks at the places these buttons have in this window). BREVANTO_SHOT_KEEP=1 keeps the
# work folder with the program's and the simulators' logs. The simulators listen on
# 127.18.182.1 to .4 (change the base with BREVANTO_SHOT_NET, e.g. 127.18.183) on the MNCP
# port 18181, where the program's monitors connect.
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"
families=(kt rv rvq other)
# Channels of the simulator presets, in the same order.
channels=(4 3 3 5)

if [ "${1:-}" = "--inside-xvfb" ]; then
    # Second half, with DISPLAY set by xvfb-run.
    prefix="$2"
    brevanto_open_window "$BREVANTO_SHOT_WORK/app.log" 1020 1440
    window="$brevanto_window"
    for i in "${!families[@]}"; do
        family="${families[$i]}"
        xdotool key --clearmodifiers "ctrl+$((i + 1))"
        sleep 0.5
        xdotool key --clearmodifiers ctrl+c
        # The identity is complete when the last channel's mode has been asked for.
        last="$(printf 'protocol=0x0101 request=0x%02x01' $((channels[$i] - 1)))"
        for _ in $(seq 1 100); do
            grep -q "$last" "$BREVANTO_SHOT_WORK/$family.log" && break
            sleep 0.1
        done
        sleep 2
        # A few clicks where the controls are in this layout (1020 wide, dark theme): the RV
        # page opens its LUT boxes, the RVQ page lists its markers and fetches an analyzer
        # picture. A click that misses leaves the page as it is.
        case "$family" in
            rv)
                xdotool mousemove --window "$window" 247 232 click 1
                sleep 1.5
                ;;
            rvq)
                xdotool mousemove --window "$window" 286 654 click 1
                sleep 1
                xdotool mousemove --window "$window" 297 910 click 1
                sleep 2
                ;;
        esac
        import -window "$window" "$prefix-$family.png"
    done
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-monitor}")"
net="${BREVANTO_SHOT_NET:-127.18.182}"
case "$net" in
    127.*) ;;
    *) echo "BREVANTO_SHOT_NET must be a loopback network (127.x.y)" >&2; exit 1 ;;
esac
brevanto_require xvfb-run xdotool import
brevanto_require_built

work="$(mktemp -d)"
cleanup() {
    brevanto_stop_sims
    if [ -n "${BREVANTO_SHOT_KEEP:-}" ]; then echo "kept $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

tabs=()
for i in "${!families[@]}"; do
    family="${families[$i]}"
    address="$net.$((i + 1))"
    brevanto_start_sim "$work/$family.log" --role monitor --family "$family" --listen "$address" --port 18181
    tabs+=("$i,MONITOR,$address,$(echo "$family" | tr a-z A-Z) Monitor,dark")
done
brevanto_private_home "$work" "${tabs[@]}"
export BREVANTO_SHOT_WORK="$work"
brevanto_in_xvfb 1100x1500 "$prefix"

for family in "${families[@]}"; do
    echo "$family: $(grep -m 1 "brevanto-sim" "$work/$family.log" || true)"
done
if grep -qiE "warning|TypeError|ReferenceError" "$work/app.log"; then
    echo "QML messages in the program's log:" >&2
    grep -iE "warning|TypeError|ReferenceError" "$work/app.log" | head -n 20 >&2
fi
echo "screenshots:"
for family in "${families[@]}"; do echo "  $prefix-$family.png"; done
