#!/usr/bin/env bash
# Runs a Windows program under Wine on $DISPLAY with the loader its machine
# type needs. The Wine prefix (WINEPREFIX) is made on first use, by that same
# loader.
#
#   wine.sh PROGRAM.exe [ARGUMENTS...]
#   wine.sh --which PROGRAM.exe   prints the loader PROGRAM needs; starts nothing
#   wine.sh --runs-32bit          whether this machine runs 32-bit programs: exit
#                                 status 0, or 1 and the reason on stdout
#
# Debian's `wine` wrapper is never used: it takes the 32-bit loader whenever
# that is installed, even for 64-bit programs, and so fails on kernels that
# refuse 32-bit programs. The loaders and wineserver are taken from
# QUORVANE_WINE_DIR (default /usr/lib/wine, where Debian puts them).
set -euo pipefail

wine_dir=${QUORVANE_WINE_DIR:-/usr/lib/wine}

# The loader for a PE program's machine type. Read byte by byte, so that no
# host's byte order or od's number format matters: "MZ", the PE header's
# offset at 0x3C, and there "PE\0\0" and the machine, 0x014c (i386) or 0x8664
# (x86-64), little-endian.
loader_for() {
  local b0 b1 b2 b3
  [[ $(od -An -t x1 -N 2 "$1" 2>/dev/null) == " 4d 5a" ]] || return 1
  read -r b0 b1 b2 b3 < <(od -An -t u1 -j 60 -N 4 "$1" 2>/dev/null) || return 1
  case $(od -An -t x1 -j $((b0 | b1 << 8 | b2 << 16 | b3 << 24)) -N 6 "$1" 2>/dev/null) in
    " 50 45 00 00 4c 01") echo "$wine_dir/wine" ;;
    " 50 45 00 00 64 86") echo "$wine_dir/wine64" ;;
    *) return 1 ;;
  esac
}

# Why a loader does not start here, or nothing when it does. Kernels with their
# 32-bit emulation switched off refuse the 32-bit one: "Exec format error".
loader_problem() {
  local output
  if [[ ! -e $1 ]]; then
    echo "$1 is not installed"
  elif ! output=$("$1" --version 2>&1); then
    output=${output##*$'\n'}
    echo "$1 does not start on this machine (${output##*"$1": })"
  fi
}

# One step of making the prefix: on failure, which step and what it said.
prefix_step() {
  local step=$1 log
  shift
  log=$(mktemp)
  if ! "$@" >"$log" 2>&1; then
    echo "wine.sh: making the Wine prefix $WINEPREFIX failed at $step:" >&2
    tail -n 5 "$log" >&2
    rm -f "$log"
    exit 1
  fi
  rm -f "$log"
}

case ${1:-} in
  --runs-32bit)
    problem=$(loader_problem "$wine_dir/wine")
    [[ -z $problem ]] || { echo "$problem"; exit 1; }
    exit 0 ;;
  --which) print_loader=1; shift ;;
  '' | -*)
    echo "usage: wine.sh PROGRAM.exe [ARGUMENTS...] | --which PROGRAM.exe | --runs-32bit" >&2
    exit 2 ;;
esac

program=${1:-}
if [[ ! -f $program ]]; then
  echo "wine.sh: there is no file '$program'" >&2
  exit 2
fi
if ! loader=$(loader_for "$program"); then
  echo "wine.sh: $program is not a 32-bit or 64-bit x86 Windows program" >&2
  exit 2
fi
if [[ -n ${print_loader:-} ]]; then
  echo "$loader"
  exit 0
fi

problem=$(loader_problem "$loader")
if [[ -n $problem ]]; then
  echo "wine.sh: $problem, so $program cannot run here" >&2
  exit 126
fi

: "${WINEPREFIX:?set WINEPREFIX to the Wine prefix to use}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The programs Wine starts for itself (wineboot's helpers) use the same loader.
export WINELOADER=$loader

# The prefix counts as made only when every step has succeeded, so one that
# failed part-way is made again on the next run.
made=$WINEPREFIX/.made-by-wine.sh
if [[ ! -f $made ]]; then
  mkdir -p "$WINEPREFIX"
  prefix_step wineboot "$loader" wineboot -i
  # Virtual screens have no window manager: Wine would wait two seconds for
  # one each time a managed window is shown or hidden.
  prefix_step "reg add (unmanaged windows)" "$loader" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
  prefix_step "wineserver -w" "$wine_dir/wineserver" -w
  touch "$made"
fi
exec "$loader" "$@"
