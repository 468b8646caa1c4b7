#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brevanto.
#
# By default Brevanto starts ready to try: two simulated devices are started first, a monitor
# on 127.0.0.1 and a Cubrix on 127.0.0.2 (both on port 18181), and the program runs with a demo
# data folder under the build folder (build/demo-home) that opens one tab for each of them, so
# the user's own saved tabs and settings stay untouched. The simulators stop when the program
# ends; their logs and every upload they receive are kept in build/demo-home.
#
#   scripts/run.sh            the demo against the simulators
#   scripts/run.sh --no-sim   real devices, with the user's normal data folder
#                             (the same as BREVANTO_NO_SIM=1)
#
# Extra simulator options can be given in BREVANTO_SIM_MONITOR_ARGS and BREVANTO_SIM_CUBRIX_ARGS
# (for example BREVANTO_SIM_MONITOR_ARGS="--family kt"); other arguments go to the program.
set -euo pipefail
source "$(dirname "$0")/lib/simulators.sh"

use_sim=1
[ "${BREVANTO_NO_SIM:-0}" = "1" ] && use_sim=0
app_args=()
for arg in "$@"; do
  case "$arg" in
    --no-sim) use_sim=0 ;;
    *) app_args+=("$arg") ;;
  esac
done

BREVANTO_BUILD_DIR="$brevanto_build" "$brevanto_root/scripts/build.sh"

if [ "$use_sim" = "0" ]; then
  exec "$brevanto_app" "${app_args[@]}"
fi

demo="$brevanto_build/demo-home"
mkdir -p "$demo/data/Tarnwick" "$demo/config" "$demo/logs"

# Written once; the program keeps the list up to date from then on (delete build/demo-home to
# start the demo afresh).
tabs="$demo/data/Tarnwick/BrevantosavedTabs.conf"
if [ ! -s "$tabs" ]; then
  printf '%s\n' "0,MONITOR,127.0.0.1,Simulated Monitor,dark" "1,CUBRIX,127.0.0.2,Simulated Cubrix,dark" > "$tabs"
fi
trap brevanto_stop_sims EXIT
trap 'exit 130' INT TERM

start_simulator() {
  local role="$1" address="$2" extra="$3"
  local log="$demo/logs/$role.log"
  local -a more=()
  [ -n "$extra" ] && read -r -a more <<< "$extra"
  brevanto_start_sim "$log" --role "$role" --listen "$address" --log-file "$log" \
    --dump-dir "$demo/uploads/$role" "${more[@]}"
  echo "Simulated $role on $address:18181 (log: $log)"
}

start_simulator monitor 127.0.0.1 "${BREVANTO_SIM_MONITOR_ARGS:-}"
start_simulator cubrix 127.0.0.2 "${BREVANTO_SIM_CUBRIX_ARGS:-}"

status=0
XDG_DATA_HOME="$demo/data" XDG_CONFIG_HOME="$demo/config" "$brevanto_app" "${app_args[@]}" || status=$?
exit "$status"
