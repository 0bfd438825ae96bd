#!/usr/bin/env bash
# Shows the Quorvane Pattern full screen: builds quorvane.exe and runs it under
# Wine on this display. Without a display it renders the pattern as a PNG,
# installing only what that takes.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ -n ${DISPLAY:-} ]]; then
  scripts/install-deps.sh windows wine show
  if xdpyinfo >/dev/null 2>&1; then
    preset=$(scripts/windows-preset.sh)
    if [[ $preset == win64 ]]; then
      echo "This machine does not run 32-bit programs: showing the 64-bit build of the same sources instead."
    fi
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" --target quorvane
    echo "Showing the pattern full screen on $DISPLAY: click it to pause, then OK to return or Exit to quit."
    export WINEPREFIX=${WINEPREFIX:-$PWD/build/$preset/wineprefix}
    exec scripts/wine.sh "build/$preset/quorvane.exe"
  fi
  echo "The display $DISPLAY cannot be opened."
else
  echo "No display to show the pattern on (DISPLAY is not set)."
fi

scripts/install-deps.sh render
cmake --preset render >/dev/null
cmake --build --preset render --target quorvane-render
output=build/quorvane-pattern-1920x1080.png
build/render/quorvane-render 1920x1080 -o "$output"
echo "Rendered the pattern at 1920x1080 instead: $PWD/$output"
