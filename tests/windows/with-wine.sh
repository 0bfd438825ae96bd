#!/usr/bin/env bash
# Runs a Windows program under Wine (scripts/wine.sh) on a virtual X screen of
# its own, then ends that Wine session and the screen again. The Wine prefix
# lives in the build tree (WINEPREFIX).
#
#   with-wine.sh WIDTHxHEIGHT PROGRAM.exe [ARGUMENTS...]
set -euo pipefail

size=$1
shift
: "${WINEPREFIX:?set WINEPREFIX to a folder in the build tree}"
unset WAYLAND_DISPLAY

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb=$!
cleanup() {
  "${QUORVANE_WINE_DIR:-/usr/lib/wine}/wineserver" -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wait "$xvfb" 2>/dev/null || true
  rm -f "$display_file"
}
trap cleanup EXIT
for _ in $(seq 100); do
  [[ -s $display_file ]] && break
  sleep 0.1
done
[[ -s $display_file ]] || { echo "with-wine.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$display_file")"

set +e
"$(dirname "$0")/../../scripts/wine.sh" "$@"
status=$?
set -e
exit "$status"
