#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite headless through ctest.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BUILD_DIR:-$root/build}"
BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh"
cd "$build"
# One virtual X server for the whole run: scope graphs need OpenGL, which Mesa renders in software.
export LIBGL_ALWAYS_SOFTWARE=1
xvfb-run -a -s "-screen 0 1920x1080x24" ctest --output-on-failure --timeout 600 "$@"
