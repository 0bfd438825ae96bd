#!/usr/bin/env bash
# Takes the README's screenshots of the real program under Wine: the pattern,
# and the paused state after a click. Needs a built build/win32/quorvane.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=$PWD/build/win32/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$display_file"' EXIT
until [[ -s $display_file ]]; do sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_file")"

wine build/win32/quorvane.exe &
program=$!
sleep 3
import -window root docs/screenshot-pattern.png
xdotool mousemove 400 300 click 1
sleep 1
import -window root docs/screenshot-paused.png
xdotool key Escape
wait "$program"
echo "Wrote docs/screenshot-pattern.png and docs/screenshot-paused.png"
