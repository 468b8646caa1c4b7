#!/usr/bin/env bash
# Shows the operator feedback of a device tab, without a display: a simulated RV monitor on a
# loopback address, the program under a virtual X server with a throw-away data folder whose
# saved tab points at it, connected by keyboard (Ctrl+C), then a 256 MiB firmware file chosen
# through the tab's own file dialog and confirmed, with a screenshot while it uploads (the
# progress bar, rate and time left), and one with the device log open (Ctrl+D).
#
#   scripts/screenshot-activity.sh [output-prefix]
#
# Writes <prefix>-connected.png, <prefix>-dialog.png (the file dialog as opened),
# <prefix>-confirm.png (the question before the upload), <prefix>-upload-1.png to -4.png (a burst
# from the confirmation on: over loopback the upload may be over before the first) and
# <prefix>-log.png (the device log after the upload); the prefix defaults to ./brevanto-activity.
# Uses build/ (or $BREVANTO_BUILD_DIR); the address can be changed with
# BREVANTO_SHOT_MONITOR_IP (loopback; the device is reached on the MNCP port 18181).
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"

if [ "${1:-}" = "--inside-xvfb" ]; then
    prefix="$2"
    # The file dialog opens in the folder the program starts in: the one with the firmware file.
    cd "$BREVANTO_SHOT_WORK/home"
    brevanto_open_window "$BREVANTO_SHOT_WORK/app.log"
    window="$brevanto_window"
    sleep 1
    xdotool windowfocus --sync "$window"
    sleep 0.5
    xdotool key --clearmodifiers ctrl+c
    sleep 3
    import -window "$window" "$prefix-connected.png"
    # The monitor page's "Update Firmware..." button: the dialog lists the one file there.
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove --window "$window" "$BREVANTO_SHOT_FIRMWARE_X" "$BREVANTO_SHOT_FIRMWARE_Y" click 1
    sleep 2
    import -window root "$prefix-dialog.png"
    xdotool key --clearmodifiers Down Return
    sleep 1
    xdotool key --clearmodifiers Return
    sleep 1
    import -window root "$prefix-confirm.png"
    xdotool key --clearmodifiers Return
    # Loopback is fast: a burst of pictures from the confirmation on; the first ones show the
    # upload on its way, if the upload is slow enough to be caught at all.
    for n in 1 2 3 4; do
        import -window "$window" "$prefix-upload-$n.png"
    done
    for _ in $(seq 1 120); do
        grep -q "length=268435456" "$BREVANTO_SHOT_WORK/monitor.log" && break
        sleep 0.5
    done
    sleep 1
    xdotool key --clearmodifiers Escape
    xdotool windowfocus --sync "$window"
    xdotool key --clearmodifiers ctrl+d
    sleep 1
    import -window "$window" "$prefix-log.png"
    exit 0
fi

prefix="$(realpath -m "${1:-$PWD/brevanto-activity}")"
monitor_ip="${BREVANTO_SHOT_MONITOR_IP:-127.18.181.2}"
brevanto_require xvfb-run xdotool import
brevanto_require_built

work="$(mktemp -d)"
trap 'brevanto_stop_sims; rm -rf "$work"' EXIT
brevanto_start_sim "$work/monitor.log" --role monitor --family rv --listen "$monitor_ip" --port 18181
brevanto_private_home "$work" "0,MONITOR,$monitor_ip,Hero Monitor,dark"
# The largest payload one message carries (256 MiB): over loopback even that goes in seconds,
# barely long enough to be caught on its way.
truncate -s 256M "$work/home/firmware.img"
export BREVANTO_SHOT_WORK="$work"
export BREVANTO_SHOT_FIRMWARE_X="${BREVANTO_SHOT_FIRMWARE_X:-378}" BREVANTO_SHOT_FIRMWARE_Y="${BREVANTO_SHOT_FIRMWARE_Y:-184}"
brevanto_in_xvfb 1100x820 "$prefix"

echo "the upload as the simulator logged it:"
grep -h "length=" "$work/monitor.log" | tail -n 3
echo "screenshots: $prefix-{connected,dialog,confirm,upload-1..4,log}.png"
