#!/usr/bin/env bash
# Installs every Debian package that building, running, testing and the tools need.
# Does nothing (and needs no network) when all of them are present already.
set -euo pipefail

packages=(
  # build
  build-essential cmake pkg-config ninja-build
  qtbase5-dev qtdeclarative5-dev qtquickcontrols2-5-dev libqt5datavisualization5-dev
  qttools5-dev-tools qtdeclarative5-dev-tools zlib1g-dev
  # QML modules the user interface imports at run time
  qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
  qml-module-qtquick-controls qml-module-qtquick-controls2 qml-module-qtquick-templates2
  qml-module-qtquick-dialogs qml-module-qtquick-privatewidgets qml-module-qt-labs-settings
  qml-module-qt-labs-folderlistmodel qml-module-qtdatavisualization qml-module-qtqml-models2
  qml-module-qttest
  # headless runs: virtual X server and Mesa's software OpenGL for the scope graphs
  xvfb xauth libgl1-mesa-dri libglx-mesa0 x11-utils imagemagick
  # reading generated PDFs back in tests
  poppler-utils
  # driving the window by keyboard in scripts/screenshot-window.sh
  xdotool
  # sanitizer and fuzzing runtime
  clang libclang-rt-14-dev
  # coverage report (scripts/coverage.sh)
  gcovr
  # benchmark references: LUT baking, raw video conversion, raw socket throughput
  opencolorio-tools ffmpeg socat
  # installing and packaging: man pages from --help, checking the desktop entry and metainfo,
  # reading installed files back in the install test, the Debian package's library dependencies
  help2man man-db desktop-file-utils appstream file dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
