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
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BUILD_DIR:-$root/build}"

use_sim=1
[ "${BREVANTO_NO_SIM:-0}" = "1" ] && use_sim=0
app_args=()
for arg in "$@"; do
  case "$arg" in
    --no-sim) use_sim=0 ;;
    *) app_args+=("$arg") ;;
  esac
done

BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh"
app="$build/app/brevanto"

if [ "$use_sim" = "0" ]; then
  exec "$app" "${app_args[@]}"
fi

sim="$build/tools/brevanto-sim/brevanto-sim"
demo="$build/demo-home"
mkdir -p "$demo/data/Tarnwick" "$demo/config" "$demo/logs"

# The program keeps its tab list in the application-data folder's path followed directly by
# "savedTabs.conf", i.e. <data>/Tarnwick/BrevantosavedTabs.conf. Written once; the program
# keeps it up to date from then on (delete build/demo-home to start the demo afresh).
tabs="$demo/data/Tarnwick/BrevantosavedTabs.conf"
if [ ! -s "$tabs" ]; then
  printf '%s\n' "0,MONITOR,127.0.0.1,Simulated Monitor,dark" "1,CUBRIX,127.0.0.2,Simulated Cubrix,dark" > "$tabs"
fi

sim_pids=()
stop_simulators() {
  for pid in "${sim_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${sim_pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_simulators EXIT
trap 'exit 130' INT TERM

start_simulator() {
  local role="$1" address="$2" extra="$3"
  local log="$demo/logs/$role.log"
  local -a more=()
  [ -n "$extra" ] && read -r -a more <<< "$extra"
  : > "$log"
  "$sim" --role "$role" --listen "$address" --log-file "$log" --dump-dir "$demo/uploads/$role" "${more[@]}" &
  local pid=$!
  sim_pids+=("$pid")
  for _ in $(seq 1 100); do
    if grep -q "listening on" "$log"; then
      echo "Simulated $role on $address:18181 (log: $log)"
      return 0
    fi
    if ! kill -0 "$pid" 2>/dev/null; then
      break
    fi
    sleep 0.1
  done
  echo "The simulated $role did not start on $address:18181; its log says:" >&2
  tail -n 5 "$log" >&2
  return 1
}

start_simulator monitor 127.0.0.1 "${BREVANTO_SIM_MONITOR_ARGS:-}"
start_simulator cubrix 127.0.0.2 "${BREVANTO_SIM_CUBRIX_ARGS:-}"

status=0
XDG_DATA_HOME="$demo/data" XDG_CONFIG_HOME="$demo/config" "$app" "${app_args[@]}" || status=$?
exit "$status"
