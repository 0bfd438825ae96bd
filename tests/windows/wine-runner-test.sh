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
# kernel without 32-bit emulation refuses the 32-bit loader. The package
# tools' fakes answer as root's with nothing installed yet.
mkdir wine
tee wine/wine wine/wine64 wine/wineserver wine/apt-get wine/dpkg wine/dpkg-query >wine/id <<'FAKE'
#!/bin/sh
case "${0##*/} $*" in
  $fail) echo "$0: cannot execute binary file: Exec format error" >&2; exit 126 ;;
  *" --version") exit 0 ;;
  "id -u") echo 0; exit 0 ;;
  "dpkg --print-foreign-architectures") echo i386; exit 0 ;;
  dpkg-query*) exit 1 ;;
esac
printf '%s\n' "${0##*/} $*" >>"${0%/*}/../calls" # install-deps.sh works from the project's root
FAKE
chmod 755 wine/*

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
fail='apt-get install*i386*' PATH=\$PWD/wine:\$PATH install-deps.sh wine -> 0
  Installing: wine wine32:i386 wine64 xvfb
  WORK/wine/apt-get: cannot execute binary file: Exec format error
  install-deps.sh: the install failed; trying again without wine32:i386
  install-deps.sh: installed all but wine32:i386: 32-bit programs will not run here until they are
  apt-get update -q
  apt-get install -y -q --no-install-recommends wine wine64 xvfb
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
