#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brevanto.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_BUILD_DIR:-$root/build}"
BREVANTO_BUILD_DIR="$build" "$root/scripts/build.sh"
exec "$build/app/brevanto" "$@"
