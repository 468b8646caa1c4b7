#!/usr/bin/env bash
# Builds the Debian package of Brevanto in release mode into build-package/ (or
# $BREVANTO_PACKAGE_BUILD_DIR): brevanto_<version>_<arch>.deb with the program, brevanto-cli
# and brevanto-sim under /usr, the desktop entry, icons, metainfo and man pages. Extra arguments
# go to cmake.
#   sudo apt-get install ./build-package/brevanto_*.deb    installs it with its dependencies
#   sudo apt-get remove brevanto                           removes it again
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BREVANTO_PACKAGE_BUILD_DIR:-$root/build-package}"
"$root/scripts/install-deps.sh"
generator=()
if command -v ninja >/dev/null 2>&1 && [ ! -f "$build/Makefile" ]; then generator=(-G Ninja); fi
# The prefix is that of the package, so that the library folder is Debian's multiarch one.
cmake -S "$root" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBREVANTO_BUILD_TESTS=OFF -DBREVANTO_BUILD_BENCH=OFF -DBREVANTO_SANITIZE=OFF -DBREVANTO_FUZZ=OFF "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
rm -f "$build"/brevanto_*.deb
(cd "$build" && cpack -G DEB)
ls "$build"/brevanto_*.deb
