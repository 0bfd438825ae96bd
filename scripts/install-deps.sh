#!/usr/bin/env bash
# Installs from Debian's packages what the named needs take and this machine
# lacks, without the packages they merely recommend. Safe to run again: it
# does nothing when all is there.
#
#   install-deps.sh NEED...
#
#   render   building quorvane-render alone
#   host     the host build: the renderer, the unit tests, the benchmarks
#   view     building quorvane-view, the native viewer, in the host build
#   view-tests  the viewer's tests on X11 (Xvfb) and Wayland (headless sway)
#   console  the viewer's test on the console, in a virtual machine
#   package  making the .deb and judging it as Debian's tools do
#   windows  cross-building quorvane.exe and its test programs
#   wine     running Windows programs under Wine on a virtual X screen
#   display  finding out whether a person's display opens
#   show     showing Windows programs on it
#   bench    the benchmark script's timing
#   shots    taking the README's screenshots of the program
#   web      building the web page and testing it in Chromium and Firefox
#   efi      building quorvane.efi and its USB image, and booting it in qemu
#   efi-window  showing qemu's window on a person's display
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A needs=(
  [render]="cmake ninja-build g++ libpng-dev"
  [host]="cmake ninja-build g++ libpng-dev libgtest-dev googletest libbenchmark-dev gnu-efi"
  [windows]="cmake ninja-build g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest"
  [wine]="wine wine64 wine32:i386 xvfb"
  # A small X client that opens the display: xdpyinfo's package would bring
  # Mesa and LLVM along.
  [display]="xinput"
  # On a person's display Wine follows resolution changes and monitors through
  # X extensions it loads at run time, and the dialog's text needs its fonts:
  # all only recommended, and not needed on the tests' virtual screens.
  [show]="fonts-wine libxrandr2 libxinerama1 libxcursor1 libxi6 libxrender1 libxfixes3"
  # The viewer's own libraries for each platform, and the Wayland protocols'
  # definitions its build turns into code.
  [view]="pkg-config libxcb1-dev libxcb-shm0-dev libxcb-randr0-dev libwayland-dev wayland-protocols libxkbcommon-dev libdrm-dev"
  # Xephyr for a screen whose size RandR can change, which Xvfb's cannot.
  [view-tests]="xvfb xserver-xephyr x11-xserver-utils x11-apps netpbm xdotool sway grim wtype libwayland-dev libx11-dev libxfixes-dev"
  # The virtual machine boots Debian's kernel, fetched at test time.
  [console]="qemu-system-x86 busybox-static kmod cpio"
  # cpack finds the .deb's dependencies with dpkg-shlibdeps, which needs file.
  [package]="dpkg-dev file lintian appstream desktop-file-utils groff-base"
  [bench]="time"
  [shots]="xdotool imagemagick"
  [web]="emscripten chromium firefox-esr"
  # gnu-efi for its headers only; mtools, dosfstools and fdisk make the image
  # without root; netpbm compares the screens.
  [efi]="cmake ninja-build g++-mingw-w64-x86-64 gnu-efi mtools dosfstools fdisk ovmf qemu-system-x86 netpbm"
  [efi-window]="qemu-system-gui"
)
# Wanted only where the command is missing: Node.js may come from elsewhere,
# with an npm of its own that Debian's package conflicts with.
declare -A commands=([web]="node:nodejs npm:npm")

declare -A packages=()
for need in "$@"; do
  [[ -n ${needs[$need]:-} ]] || { echo "install-deps.sh: unknown need '$need' (${!needs[*]})" >&2; exit 2; }
  for package in ${needs[$need]}; do
    packages[$package]=1
  done
  for wanted in ${commands[$need]:-}; do
    command -v "${wanted%%:*}" >/dev/null || packages[${wanted#*:}]=1
  done
done

missing=()
for package in $(printf '%s\n' "${!packages[@]}" | sort); do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done

if [[ ${#missing[@]} -gt 0 ]]; then
  install="apt-get install -y -q --no-install-recommends"
  steps=("apt-get update -q" "$install ${missing[*]}")
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    steps=("dpkg --add-architecture i386" "${steps[@]}")
  fi
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      printf -v as_root '%s && ' "${steps[@]}"
      echo "install-deps.sh: missing ${missing[*]}; installing them takes root, and there is no sudo here. As root, run: ${as_root% && }" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  # Through env, since sudo drops the caller's environment; each step's words
  # split on purpose.
  for step in "${steps[@]}"; do
    if [[ $step == "apt-get update"* ]]; then
      # A mirror caught mid-sync fails one index and is whole again minutes
      # later; the lists it did fetch usually hold every package wanted, so
      # after a few tries the install goes on and judges for itself.
      for try in 1 2 3; do
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive $step && break
        [[ $try -lt 3 ]] || { echo "install-deps.sh: apt-get update failed three times; installing from the package lists it has" >&2; break; }
        sleep 20
      done
    elif ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive $step; then
      # Without a whole index of the 32-bit packages (a mirror mid-sync) they
      # cannot be installed at all; everything else still can, and the
      # 32-bit program's tests then say why they are skipped.
      [[ $step == "$install"* ]] || exit 1
      native=() foreign=()
      for package in "${missing[@]}"; do
        if [[ $package == *:i386 ]]; then foreign+=("$package"); else native+=("$package"); fi
      done
      [[ ${#foreign[@]} -gt 0 ]] || exit 1
      echo "install-deps.sh: the install failed; trying again without ${foreign[*]}" >&2
      [[ ${#native[@]} -eq 0 ]] || "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive $install "${native[@]}"
      echo "install-deps.sh: installed all but ${foreign[*]}: 32-bit programs will not run here until they are" >&2
    fi
  done
fi

# The web tests' Node packages, exactly as package-lock.json has them; the
# browsers are Debian's, so none is downloaded.
if [[ " $* " == *" web "* ]] && ! npm ls --silent >/dev/null 2>&1; then
  PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund
fi
