#!/usr/bin/env bash
# Runs a Windows program under Wine on $DISPLAY with the loader its machine
# type needs. The Wine prefix (WINEPREFIX) is made on first use, by that same
# loader.
#
#   wine.sh PROGRAM.exe [ARGUMENTS...]
#
# Debian's `wine` wrapper is never used: it takes the 32-bit loader whenever
# that is installed, even for 64-bit programs, and so fails on kernels that
# refuse 32-bit programs.
set -euo pipefail

program=$1
: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to use}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# The machine field of the PE header, which starts at the offset kept at 0x3C.
header=$(od -An -t u4 -j 60 -N 4 "$program" | tr -d ' ')
machine=$(od -An -t x2 -j $((header + 4)) -N 2 "$program" | tr -d ' ')
case $machine in
  14c) loader=/usr/lib/wine/wine ;;
  8664) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine.sh: $program is not a 32-bit or 64-bit x86 Windows program" >&2; exit 2 ;;
esac
if ! "$loader" --version >/dev/null 2>&1; then
  echo "wine.sh: $loader does not start on this machine, so $program cannot run here" >&2
  exit 126
fi
# The programs Wine starts for itself (wineboot's helpers) use the same loader.
export WINELOADER=$loader

if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$loader" wineboot -i >/dev/null 2>&1
  # Virtual screens have no window manager: Wine would wait two seconds for
  # one each time a managed window is shown or hidden.
  "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
exec "$loader" "$@"
