#!/usr/bin/env bash
# Shows the Quorvane Pattern full screen: builds quorvane.exe and runs it under
# Wine on this display, or with no X display but a Wayland session, builds and
# runs quorvane-view. Without a display that opens it renders the pattern as a
# PNG, installing only what that takes.
#
#   run.sh efi [--print]: boots quorvane.efi's USB stick image in a qemu window
#   as a PC would; --print only prints the qemu command it would run, with or
#   without a display, and what it still needs.
set -euo pipefail
cd "$(dirname "$0")/.."

# Configures PRESET and builds TARGET in it.
build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" --target "$2"
}

# The program under Wine on $DISPLAY: the 32-bit build, or the 64-bit build of
# the same sources where this machine refuses 32-bit programs. Does not return.
show_under_wine() {
  scripts/install-deps.sh windows wine show
  local preset
  preset=$(scripts/windows-preset.sh)
  if [[ $preset == win64 ]]; then
    echo "This machine does not run 32-bit programs: showing the 64-bit build of the same sources instead."
  fi
  build "$preset" quorvane
  echo "Showing the pattern full screen on $DISPLAY: click it to pause, then OK to return or Exit to quit."
  export WINEPREFIX=${WINEPREFIX:-$PWD/build/$preset/wineprefix}
  exec scripts/wine.sh "build/$preset/quorvane.exe"
}

# The pattern as a PNG, which takes only a compiler, CMake and libpng.
render_png() {
  scripts/install-deps.sh render
  build render quorvane-render
  local output=build/quorvane-pattern-1920x1080.png
  build/render/quorvane-render 1920x1080 -o "$output"
  echo "Rendered the pattern at 1920x1080 instead: $PWD/$output"
}

# The native viewer on the Wayland session: exact at the session's display
# scaling, where Wine's window would be stretched. Does not return.
show_with_viewer() {
  scripts/install-deps.sh render view
  build render quorvane-view
  echo "Showing the pattern full screen on Wayland: click it to pause, then OK to return or Exit to quit."
  exec build/render/quorvane-view
}

# quorvane.efi as a PC starts it: OVMF boots the USB stick's image in a qemu
# window on this display. Does not return. --print prints the qemu command
# instead, display or not, and what it still needs.
show_efi() {
  local image=$PWD/build/efi/quorvane-usb.img
  # Software emulation, which starts it in seconds: KVM, where /dev/kvm is
  # there but nested under another hypervisor, was seen to stop OVMF at once.
  # The firmware's own settings at every start, from a copy-on-write of
  # Debian's (snapshot=on), so that the command runs as it is printed.
  local command=(qemu-system-x86_64 -machine q35 -accel tcg -m 256 -net none
    -drive if=pflash,format=raw,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.fd
    -drive if=pflash,format=raw,file=/usr/share/OVMF/OVMF_VARS_4M.fd,snapshot=on
    -drive "format=raw,file=$image,snapshot=on"
    -vga none -device VGA,xres=1280,yres=800,vgamem_mb=64 -display gtk,zoom-to-fit=off)
  if [[ ${1:-} == --print ]]; then
    # What it still needs here, as comments that a shell passes over.
    qemu-system-x86_64 -display help 2>/dev/null | grep -x gtk >/dev/null && [[ -f /usr/share/OVMF/OVMF_VARS_4M.fd ]] ||
      echo "# First install qemu's window and OVMF: scripts/install-deps.sh efi efi-window (in $PWD)"
    [[ -f $image ]] || echo "# First build the image: cmake --preset efi && cmake --build --preset efi (in $PWD)"
    [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]] ||
      echo "# No display here: the window needs one (DISPLAY or WAYLAND_DISPLAY), or write the image to a USB stick."
    echo "${command[*]}"
    exit 0
  fi
  if [[ -z ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]]; then
    echo "No display to show a window on: write build/efi/quorvane-usb.img to a USB stick instead (see README.md)." >&2
    exit 1
  fi
  scripts/install-deps.sh efi efi-window
  build efi quorvane_usb_image
  echo "Booting build/efi/quorvane-usb.img as a PC would: Space pauses, the arrows change modes, Esc ends;" \
    "then close the window."
  exec "${command[@]}"
}

if [[ ${1:-} == efi ]]; then
  show_efi "${2:-}"
fi

# Whether the display opens is found out before MinGW and Wine are installed,
# with a small X client of its own.
if [[ -n ${DISPLAY:-} ]]; then
  scripts/install-deps.sh display
  if xinput version >/dev/null 2>&1; then
    show_under_wine
  fi
  echo "The display $DISPLAY cannot be opened."
else
  echo "No X display to show the pattern on (DISPLAY is not set)."
fi
if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
  show_with_viewer
fi
render_png
