#!/usr/bin/env bash
# Shows the Quorvane Pattern full screen: builds quorvane.exe and runs it under
# Wine on this display. Without a display it renders the pattern as a PNG.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

if [[ -n ${DISPLAY:-} ]] && xdpyinfo >/dev/null 2>&1; then
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 --target quorvane
  echo "Showing the pattern full screen on $DISPLAY: click it to pause, then OK to return or Exit to quit."
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/win32/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  exec wine build/win32/quorvane.exe
fi

echo "No display to show the pattern on (DISPLAY is not set or cannot be opened)."
cmake --preset host >/dev/null
cmake --build --preset host --target quorvane-render
output=build/quorvane-pattern-1920x1080.png
build/host/quorvane-render 1920x1080 -o "$output"
echo "Rendered the pattern at 1920x1080 instead: $PWD/$output"
