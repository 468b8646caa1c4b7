#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless through ctest.
# Then it builds the suite once more with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ (or $BREVANTO_SANITIZE_BUILD_DIR) and runs it again: any memory error, leak or
# undefined behaviour, in a test or in a program a test starts, fails the run.
# BREVANTO_SANITIZE_RUN=0 leaves the sanitizer run out (a quicker local check).
# Extra arguments go to both ctest runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BUILD_DIR:-$root/build}"

run_suite() {
  # One virtual X server for the whole run: scope graphs need OpenGL, which Mesa renders in software.
  # Side by side on every core; tests that need the display or check times keep to themselves.
  LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure --timeout 600 -j "$(nproc)" "$@"
}

BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh"
(cd "$build" && run_suite "$@")

if [ "${BREVANTO_SANITIZE_RUN:-1}" = 0 ]; then
  echo "Sanitizer run left out (BREVANTO_SANITIZE_RUN=0)."
  exit 0
fi

sanitize="${BREVANTO_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
BREVANTO_BUILD_DIR="$sanitize" "$root/scripts/build.sh" -DBREVANTO_SANITIZE=ON -DBREVANTO_BUILD_BENCH=OFF

# Every report goes to a file of its own (also those of the simulator and other helper
# programs the tests start, whose output nobody reads), so none can pass unseen.
reports="$sanitize/sanitizer-reports"
rm -rf "$reports"
mkdir -p "$reports"
export ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:halt_on_error=1:abort_on_error=0:check_initialization_order=1:log_path=$reports/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
# Mesa's software OpenGL driver keeps a few allocations to the end of the process but is
# unloaded (with Qt's platform plugin) before the leak check runs; its frames would then show
# as "unknown module" and no suppression could name them. Loaded at start it stays mapped, and
# lsan.supp names it. (This is why ASAN_OPTIONS has verify_asan_link_order=0.)
for dri in /usr/lib/*/dri/swrast_dri.so /usr/lib/dri/swrast_dri.so; do
  if [ -f "$dri" ]; then
    export LD_PRELOAD="$dri${LD_PRELOAD:+:$LD_PRELOAD}"
    break
  fi
done
status=0
(cd "$sanitize" && run_suite "$@") || status=$?
# LeakSanitizer itself now and then crashes while it stops the threads of a Qt Quick process at
# its exit ("Tracer caught signal 11"): that is no finding, and no check was made either. When
# every report is such a crash, the failed tests run once more; anything they report stands.
crashed=$(grep -l "LeakSanitizer has encountered a fatal error" "$reports"/* 2>/dev/null || true)
if [ -n "$crashed" ] && [ "$(find "$reports" -type f | wc -l)" -eq "$(echo "$crashed" | wc -l)" ]; then
  echo "LeakSanitizer crashed without a finding ($(echo "$crashed" | wc -l) time(s)); the failed tests run again."
  rm -f $crashed
  status=0
  (cd "$sanitize" && run_suite --rerun-failed "$@") || status=$?
fi
found=$(find "$reports" -type f | sort)
if [ -n "$found" ]; then
  echo "Sanitizer reports:"
  for report in $found; do
    echo "==== $report"
    cat "$report"
  done
  status=1
fi
if [ "$status" -ne 0 ]; then
  echo "Sanitizer run FAILED."
  exit "$status"
fi
echo "Sanitizer run clean."
