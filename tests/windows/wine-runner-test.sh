#!/usr/bin/env bash
# scripts/wine.sh against fake Wine loaders, so that every machine runs it
# alike: the loader it takes for this build's program and for files that are
# no program, and what it does where that loader starts, where it is refused as
# a kernel without 32-bit emulation refuses it, and where a step fails.
#
#   wine-runner-test.sh PROGRAM.exe LOADER     (LOADER: wine or wine64)
set -euo pipefail
loader=$2
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$1" "$work/program.exe"
cd "$work"
echo "just text" >text.txt
head -c 64 program.exe >header.exe
export QUORVANE_WINE_DIR=$work/wine WINEPREFIX=$work/prefix

# Each fake logs its calls, all but the version probe; those matching the
# pattern in $fail are refused.
mkdir wine
for name in wine wine64 wineserver; do
  cat >"wine/$name" <<FAKE
#!/bin/sh
case "$name \$*" in
  \$fail) echo "\$0: cannot execute binary file: Exec format error" >&2; exit 126 ;;
  *" --version") exit 0 ;;
esac
printf '%s\n' "$name \$*" >>"$work/calls"
FAKE
  chmod 755 "wine/$name"
done

# One entry: the command, its exit status, then its output and the fakes' calls.
run() {
  local status=0
  : >calls
  "$scripts/$1" "${@:2}" >out 2>&1 || status=$?
  echo "$* -> $status"
  sed -e "s|$work|WORK|g" -e 's/^/  /' out calls
}

if [[ $loader == wine ]]; then
  refused="-> 126
  wine.sh: WORK/wine/wine does not start on this machine (cannot execute binary file: Exec format error), so program.exe cannot run here"
else
  refused="-> 0
  wine64 program.exe"
fi
expected="wine.sh --which program.exe -> 0
  WORK/wine/$loader
wine.sh --which text.txt -> 2
  wine.sh: text.txt is not a 32-bit or 64-bit x86 Windows program
wine.sh --which header.exe -> 2
  wine.sh: header.exe is not a 32-bit or 64-bit x86 Windows program
wine.sh --runs-32bit -> 0
windows-preset.sh -> 0
  win32
wine.sh program.exe 1 2 -> 0
  $loader wineboot -i
  $loader reg add HKCU\\Software\\Wine\\X11 Driver /v Managed /t REG_SZ /d N /f
  wineserver -w
  $loader program.exe 1 2
wine.sh program.exe -> 0
  $loader program.exe
wine.sh --which program.exe -> 0
  WORK/wine/$loader
wine.sh --runs-32bit -> 1
  WORK/wine/wine does not start on this machine (cannot execute binary file: Exec format error)
windows-preset.sh -> 0
  win64
wine.sh program.exe $refused
wine.sh program.exe -> 1
  wine.sh: making the Wine prefix WORK/prefix failed at wineboot:
  WORK/wine/$loader: cannot execute binary file: Exec format error
wine.sh --runs-32bit -> 1
  WORK/wine/wine is not installed"

export fail=
{
  run wine.sh --which program.exe
  run wine.sh --which text.txt
  run wine.sh --which header.exe
  run wine.sh --runs-32bit
  run windows-preset.sh
  run wine.sh program.exe 1 2
  run wine.sh program.exe
  fail='wine *' # a machine that refuses 32-bit programs
  run wine.sh --which program.exe
  run wine.sh --runs-32bit
  run windows-preset.sh
  run wine.sh program.exe
  fail="$loader wineboot*"
  rm -rf prefix
  run wine.sh program.exe
  rm wine/wine
  run wine.sh --runs-32bit
} >transcript
diff <(echo "$expected") transcript
