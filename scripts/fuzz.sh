#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs one of them.
#
#   scripts/fuzz.sh TARGET [SECONDS] [libFuzzer options...]   run TARGET (default 60 s)
#   scripts/fuzz.sh --merge TARGET                            fold what the runs found into fuzz/corpus/TARGET
#   scripts/fuzz.sh --list                                    name the targets
#
# Inputs found during runs go to build-fuzz/corpus/TARGET (not committed); the committed
# seeds in fuzz/corpus/TARGET are read as a second corpus. A failing input is written into
# fuzz/corpus/TARGET (crash-*, leak-*, timeout-*, oom-*), where the corpus regression test
# of the normal suite (fuzzcorpus_TARGET) runs it from then on. `--merge` adds only inputs that
# reach new coverage, which keeps the committed corpus small.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_FUZZ_BUILD_DIR:-$root/build-fuzz}"
targets=(sockethandler monitorreply cubrixreply capture cube cuberesample session)

usage() {
  sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
  exit 2
}

# Largest input each target makes: big enough for whole scope frames and small frames and
# grids, small enough to keep each execution quick.
max_len() {
  case "$1" in
    monitorreply|cubrixreply) echo 65536 ;;
    capture|cube) echo 16384 ;;
    *) echo 4096 ;;
  esac
}

known() {
  local t
  for t in "${targets[@]}"; do [ "$t" = "$1" ] && return 0; done
  return 1
}

[ $# -ge 1 ] || usage
if [ "$1" = "--list" ]; then
  printf '%s\n' "${targets[@]}"
  exit 0
fi
merge=0
if [ "$1" = "--merge" ]; then
  merge=1
  shift
  [ $# -ge 1 ] || usage
fi
target="$1"
shift
known "$target" || { echo "unknown target '$target'; one of: ${targets[*]}" >&2; exit 2; }

"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DBREVANTO_FUZZ=ON -DBREVANTO_BUILD_TESTS=OFF -DBREVANTO_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target "fuzz_$target"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:allocator_may_return_null=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0}"
export QT_QPA_PLATFORM=offscreen

seeds="$root/fuzz/corpus/$target"
work="$build/corpus/$target"
mkdir -p "$work" "$seeds"
binary="$build/fuzz/fuzz_$target"

if [ "$merge" = 1 ]; then
  exec "$binary" -merge=1 -max_len="$(max_len "$target")" "$seeds" "$work"
fi

seconds="${1:-60}"
[ $# -ge 1 ] && shift
extra=()
# The profile import runs the main window's QML: its script heap lies outside malloc, so the
# per-input leak check would take what only the heap refers to for leaks. The check at exit
# (after the engine is gone) still runs.
[ "$target" = session ] && extra+=(-detect_leaks=0)
# Each grid input costs a whole 35,937-line file; with so few executions libFuzzer would take
# hours to let inputs grow to a useful length, so the length limit applies from the start.
[ "$target" = cuberesample ] && extra+=(-len_control=0)
exec "$binary" "${extra[@]}" -max_total_time="$seconds" -max_len="$(max_len "$target")" -timeout=10 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$seeds/" "$@" "$work" "$seeds"
