#!/usr/bin/env bash
# Builds in release mode into build-release/ (or $BREVANTO_BENCH_BUILD_DIR), runs every benchmark
# and prints one table: each figure, its target and their ratio. The reference tools the targets
# are measured against (ociobakelut, ffmpeg, socat) come with scripts/install-deps.sh.
# Run it on a quiet machine: the targets are medians on an otherwise idle 2-core machine.
#   scripts/bench.sh                 all benchmarks
#   scripts/bench.sh lut capture     only those whose name contains one of the words
# The full log is kept in <build>/bench-results.log. Exit status 1 if a benchmark could not run
# or a target was missed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BENCH_BUILD_DIR:-$root/build-release}"

BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DBREVANTO_BUILD_TESTS=OFF \
  -DBREVANTO_BUILD_BENCH=ON

benchmarks=(
  lut/bench_lut
  capture/bench_capture
  cli/bench_cli
  transport/bench_transport
  scope/bench_scope
  cubrixpage/bench_tabopen
  startup/bench_startup
  memory/bench_memory
)

selected=()
for bench in "${benchmarks[@]}"; do
  if [ $# -eq 0 ]; then
    selected+=("$bench")
    continue
  fi
  for word in "$@"; do
    if [[ "$bench" == *"$word"* ]]; then
      selected+=("$bench")
      break
    fi
  done
done
if [ ${#selected[@]} -eq 0 ]; then
  echo "No benchmark matches: $*" >&2
  exit 2
fi

log="$build/bench-results.log"
: >"$log"
export BREVANTO_BUILD_DIR="$build"
export LIBGL_ALWAYS_SOFTWARE=1
status=0
for bench in "${selected[@]}"; do
  program="$build/bench/$bench"
  echo "==== $bench" | tee -a "$log"
  if [ ! -x "$program" ]; then
    echo "missing: $program" | tee -a "$log"
    status=1
    continue
  fi
  # One display per benchmark: the window, tab and scope benchmarks need one (with software GL).
  if ! xvfb-run -a -s "-screen 0 1920x1080x24" "$program" 2>&1 | tee -a "$log"; then
    echo "FAILED to run: $bench" | tee -a "$log"
    status=1
  fi
done

echo
awk -F'\t' '
  BEGIN {
    printf "%-40s %14s %14s %8s  %s\n", "figure", "measured", "target", "ratio", "result"
    missed = 0
  }
  $1 == "BENCH" {
    name = $2; figure = $3 + 0; unit = $4; target = $5 + 0; goal = $6
    ratio = target != 0 ? figure / target : 0
    met = (goal == "below") ? (figure <= target) : (figure >= target)
    if (!met) missed = 1
    printf "%-40s %14s %14s %8.2f  %s\n", name, sprintf("%.3f %s", figure, unit),
           sprintf("%s %.3f", goal == "below" ? "<=" : ">=", target), ratio, met ? "met" : "MISSED"
  }
  END { exit missed }
' "$log" || status=1
echo "(ratio = measured / target; full log: $log)"
exit "$status"
