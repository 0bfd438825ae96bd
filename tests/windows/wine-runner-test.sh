#!/usr/bin/env bash
# wine-runner-test.sh PROGRAM.exe wine|wine64: scripts/wine.sh against fake Wine loaders, alike on every machine
# whether or not it runs 32-bit programs, and scripts/install-deps.sh installing Wine through a fake apt-get:
# each entry is a command, its status and output, with the fakes' calls.
set -euo pipefail
loader=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PATH=$(cd "$(dirname "$0")/../../scripts" && pwd):$PATH
export QUORVANE_WINE_DIR=$work/wine WINEPREFIX=$work/prefix
cp "$1" "$work/program.exe"
cd "$work"
echo "just text" >text.txt
head -c 64 program.exe >header.exe

# Logs its calls but the version probe; refuses those matching $fail as a
# kernel without 32-bit emulation refuses the 32-bit loader.
mkdir wine
tee wine/wine wine/wine64 >wine/wineserver <<'FAKE'
#!/bin/sh
case "${0##*/} $*" in
  $fail) echo "$0: cannot execute binary file: Exec format error" >&2; exit 126 ;;
  *" --version") exit 0 ;;
esac
printf '%s\n' "${0##*/} $*" >>calls
FAKE
# As root with nothing installed yet; apt-get and sleep log their calls.
mkdir bin
tee bin/apt-get bin/sleep bin/dpkg bin/dpkg-query >bin/id <<'FAKE'
#!/bin/sh
case "${0##*/} $*" in
  "id -u") echo 0; exit 0 ;;
  "dpkg --print-foreign-architectures") echo i386; exit 0 ;;
  dpkg-query*) exit 1 ;;
esac
printf '%s\n' "${0##*/} $*" >>"${0%/*}/../calls" # install-deps.sh works from the project's root
case "${0##*/} $*" in
  $fail) echo "E: refused" >&2; exit 100 ;;
esac
FAKE
chmod 755 wine/* bin/*

expected=$(cat <<TABLE
wine.sh --which program.exe -> 0
  WORK/wine/$loader
wine.sh --which text.txt -> 2
  wine.sh: text.txt is not a 32-bit or 64-bit x86 Windows program
wine.sh --which header.exe -> 2
  wine.sh: header.exe is not a 32-bit or 64-bit x86 Windows program
fail='$loader wineboot*' wine.sh program.exe -> 1
  wine.sh: making the Wine prefix WORK/prefix failed at wineboot:
  WORK/wine/$loader: cannot execute binary file: Exec format error
wine.sh program.exe 1 2 -> 0
  $loader wineboot -i
  $loader reg add HKCU\Software\Wine\X11 Driver /v Managed /t REG_SZ /d N /f
  wineserver -w
  $loader program.exe 1 2
fail='wine *' wine.sh --runs-32bit -> 1
  WORK/wine/wine does not start on this machine (cannot execute binary file: Exec format error)
fail='wine *' windows-preset.sh -> 0
  win64
fail='$loader *' wine.sh program.exe -> 126
  wine.sh: WORK/wine/$loader does not start on this machine (cannot execute binary file: Exec format error), so program.exe cannot run here
QUORVANE_WINE_DIR=prefix wine.sh --runs-32bit -> 1
  prefix/wine is not installed
fail='apt-get update*' PATH=\$PWD/bin:\$PATH install-deps.sh wine -> 0
  Installing: wine wine32:i386 wine64 xvfb
  E: refused
  E: refused
  E: refused
  install-deps.sh: apt-get update failed three times; installing from the package lists it has
  apt-get update -q
  sleep 20
  apt-get update -q
  sleep 20
  apt-get update -q
  apt-get install -y -q --no-install-recommends wine wine32:i386 wine64 xvfb
fail='apt-get install*i386*' PATH=\$PWD/bin:\$PATH install-deps.sh wine -> 0
  Installing: wine wine32:i386 wine64 xvfb
  E: refused
  install-deps.sh: the install failed; trying again without wine32:i386
  install-deps.sh: installed all but wine32:i386: 32-bit programs will not run here until they are
  apt-get update -q
  apt-get install -y -q --no-install-recommends wine wine32:i386 wine64 xvfb
  apt-get install -y -q --no-install-recommends wine wine64 xvfb
fail='apt-get install*' PATH=\$PWD/bin:\$PATH install-deps.sh wine -> 100
  Installing: wine wine32:i386 wine64 xvfb
  E: refused
  install-deps.sh: the install failed; trying again without wine32:i386
  E: refused
  apt-get update -q
  apt-get install -y -q --no-install-recommends wine wine32:i386 wine64 xvfb
  apt-get install -y -q --no-install-recommends wine wine64 xvfb
fail='apt-get install*' PATH=\$PWD/bin:\$PATH install-deps.sh render -> 1
  Installing: cmake g++ libpng-dev ninja-build
  E: refused
  apt-get update -q
  apt-get install -y -q --no-install-recommends cmake g++ libpng-dev ninja-build
TABLE
)

grep -v '^ ' <<<"$expected" | while IFS= read -r entry; do
  command=${entry% -> *}
  : >calls; status=0
  eval "$command" </dev/null >out 2>&1 || status=$?
  echo "$command -> $status"
  sed -e "s|$work|WORK|g" -e 's/^/  /' out calls
done >transcript
diff <(echo "$expected") transcript
