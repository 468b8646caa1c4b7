#!/usr/bin/env bash
# Shows the operator feedback of a device tab, without a display: a simulated RV monitor on a
# loopback address that reads what it is sent at a slow device's pace, the program under a virtual
# X server with a throw-away data folder whose saved tab points at it, connected by keyboard
# (Ctrl+C), then a 256 MiB firmware file chosen through the tab's own file dialog and confirmed,
# with a screenshot while it uploads (the progress bar, rate and time left), and one with the
# device log open (Ctrl+D).
#
#   scripts/screenshot-activity.sh [output-prefix]
#
# Writes <prefix>-connected.png, <prefix>-dialog.png (the file dialog as opened),
# <prefix>-confirm.png (the question before the upload), <prefix>-upload.png (a few seconds into
# the upload, which takes about 9 s) and <prefix>-log.png (the device log after the upload); the
# prefix defaults to ./brevanto-activity.
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
    # A third of the way in: the rate and time left have settled, and much of it is still to go.
    sleep 3
    import -window "$window" "$prefix-upload.png"
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
# About 30 MB/s, as a device writing to flash: the upload takes 9 s instead of a blink.
brevanto_start_sim "$work/monitor.log" --role monitor --family rv --listen "$monitor_ip" --port 18181 --read-rate 30000000
brevanto_private_home "$work" "0,MONITOR,$monitor_ip,Hero Monitor,dark"
# The largest payload one message carries (256 MiB).
truncate -s 256M "$work/home/firmware.img"
export BREVANTO_SHOT_WORK="$work"
export BREVANTO_SHOT_FIRMWARE_X="${BREVANTO_SHOT_FIRMWARE_X:-378}" BREVANTO_SHOT_FIRMWARE_Y="${BREVANTO_SHOT_FIRMWARE_Y:-184}"
brevanto_in_xvfb 1100x820 "$prefix"

echo "the upload as the simulator logged it:"
grep -h "length=" "$work/monitor.log" | tail -n 3
echo "screenshots: $prefix-{connected,dialog,confirm,upload,log}.png"
