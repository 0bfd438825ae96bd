#!/usr/bin/env bash
# efi-test.sh vga|virtio WxH IMAGE RENDER PROBE: the USB stick's image booted in qemu (software emulation) with
# OVMF on QEMU's standard VGA (a frame buffer) or on virtio-gpu (Blt only) at WxH, every screen pixel held against
# RENDER's pattern for the screen's size: at start, after Enter, Right (another mode) and Home; after Space,
# against PROBE's dialog for the line the application wrote on the serial console. Then Esc (on virtio-gpu from
# the dialog) ends the application and the boot manager goes on.
# efi-test.sh files EFI IMAGE SOURCE: the application's size, kind and imports, the image's copy of it, and the
# same bytes from a second build from clean. efi-test.sh run RUN.SH IMAGE: the command run.sh efi prints, and
# what it starts, with and without a display.
set -euo pipefail
kind=$1
work=$(mktemp -d)
trap 'kill "${qemu_PID:-}" 2>/dev/null || true; wait || true; rm -rf "$work"' EXIT
fail() { # MESSAGE [SIZE], and the end of the serial console
  echo "FAIL ($kind ${2:-}): $1" && { [[ ! -s $work/serial.log ]] || tail -c 300 "$work/serial.log" | tr -d '\033'; }
  exit 1
}
source "$(dirname "$0")/../support/testing.sh"

files() {
  local efi=$1 image=$2 source=$3 size dump
  size=$(stat -c %s "$efi")
  ((size <= 32768)) || fail "$efi is $size bytes, over 32 KiB"
  dump=$(x86_64-w64-mingw32-objdump -p "$efi")
  grep -q 'Subsystem.*(EFI application)' <<<"$dump" || fail "not an EFI application: $(grep Subsystem <<<"$dump")"
  grep -q 'file format pei-x86-64' <<<"$dump" || fail "not PE32+ for x86_64"
  ! grep -i 'import table' <<<"$dump" || fail "$efi has an import table"
  (($(stat -c %s "$image") <= 2097152)) || fail "$image is over 2 MiB"
  MTOOLS_SKIP_CHECK=1 mcopy -i "$image@@1M" ::/EFI/BOOT/BOOTX64.EFI "$work/copy.efi"
  cmp "$efi" "$work/copy.efi" || fail "the image's EFI/BOOT/BOOTX64.EFI is not $efi"
  { cmake -S "$source" -B "$work/again" -G Ninja --toolchain "$source/cmake/mingw-efi.cmake" \
      -DCMAKE_BUILD_TYPE=Release && cmake --build "$work/again" -j 2 --target quorvane_usb_image; } \
    >"$work/again.log" ||
    fail "the second build failed: $(tail -3 "$work/again.log")"
  cmp "$efi" "$work/again/quorvane.efi" || fail "a second build from clean gave other bytes"
  cmp "$image" "$work/again/quorvane-usb.img" || fail "a second build from clean gave another image"
}

# run.sh efi from a tree of only run.sh and the built image, as a fresh checkout is after the build: what it
# prints, run with a qemu that looks only for the files the command names.
run() {
  local tree=$work/tree command shown
  mkdir -p "$tree/scripts" "$tree/build/efi" && cp "$1" "$tree/scripts/" && cp "$2" "$tree/build/efi/"
  qemu-system-x86_64() {
    local word file
    for word; do
      [[ $word != *file=* ]] || { file=${word#*file=} && [[ -f ${file%%,*} ]]; } || { echo "no ${file%%,*}"; return 1; }
    done
    echo started
  }
  export -f qemu-system-x86_64
  shown=$(env -u WAYLAND_DISPLAY DISPLAY=:7 "$tree/scripts/run.sh" efi --print) ||
    fail "run.sh efi --print failed: $shown"
  command=$(grep -v '^#' <<<"$shown")
  [[ $command == *' -display gtk,zoom-to-fit=off'* ]] || fail "with a display, not a window on it: $shown"
  [[ $(cd "$tree" && bash -c "$shown" 2>&1) == started ]] ||
    fail "the printed command does not run: $(cd "$tree" && bash -c "$shown" 2>&1)"
  shown=$(env -u WAYLAND_DISPLAY -u DISPLAY "$tree/scripts/run.sh" efi --print) ||
    fail "run.sh efi --print failed without a display: $shown"
  grep -q '^# No display here' <<<"$shown" && [[ $(grep -v '^#' <<<"$shown") == "$command" ]] ||
    fail "without a display, not the same command and what it needs: $shown"
  ! shown=$(env -u WAYLAND_DISPLAY -u DISPLAY "$tree/scripts/run.sh" efi 2>&1) ||
    fail "without a display it would start: $shown"
  grep -q '^No display to show a window on' <<<"$shown" || fail "without a display: $shown"
}

source "$(dirname "$0")/../support/qmp.sh"

# The screen now in $work/shot.ppm, its size in $width and $height.
shoot() {
  qmp "{\"execute\": \"screendump\", \"arguments\": {\"filename\": \"$work/shot.ppm\"}}" || return 1
  read -r width height < <(sed -n 2p "$work/shot.ppm")
}
# The screen against the pattern for its size at this moment.
is_pattern() {
  shoot || return 1
  expected=$work/${width}x$height.ppm
  [[ -s $expected ]] ||
    { "$render" "${width}x$height" -o "$work/pattern.png" && pngtopnm "$work/pattern.png" >"$expected"; }
  cmp -s "$work/shot.ppm" "$expected"
}
is_pattern_at() { is_pattern && [[ ${width}x$height == "$1" ]]; }
is_other_pattern() { is_pattern && [[ ${width}x$height != "$1" ]]; }
# The first differing pixels, for a failure.
differences() {
  local header offset got want pixel
  header=$(head -n 3 "$work/shot.ppm" | wc -c)
  cmp -l "$work/shot.ppm" "$expected" | head -n 5 | while read -r offset got want; do
    pixel=$(((offset - 1 - header) / 3))
    echo "  pixel ($((pixel % width)), $((pixel / width))) channel $(((offset - 1 - header) % 3)):" \
      "$((8#$got)) against $((8#$want))"
  done
}
# The screen against the dialog for the last whole line the application wrote on the serial console, in $line;
# the probe's first differing pixels in $work/dialog.txt.
is_dialog() {
  line=$(grep -a $'^Mode [0-9]* of [0-9]*: .*\r$' "$work/serial.log" | tail -n 1 | tr -d '\r')
  [[ -n $line ]] || { echo "no line on the serial console" >"$work/dialog.txt" && return 1; }
  shoot && "$probe" compare-dialog "$width" "$height" "$line" "$work/shot.ppm" >"$work/dialog.txt"
}
ended() { (($(grep -ac '^BdsDxe: starting' "$work/serial.log") > 1)); }

boot() {
  local size=$1 image=$2 device line want format=32-bit\ blue-green-red
  render=$3 probe=$4
  command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
  [[ -f /usr/share/OVMF/OVMF_CODE_4M.fd ]] || skip "OVMF is not installed (/usr/share/OVMF/OVMF_CODE_4M.fd)"
  [[ -x $render ]] || fail "no $render to hold the screen against: build the host preset first" "$size"
  [[ -x $probe ]] || skip "no $probe to hold the dialog against (the host preset builds it with the viewer's tests)"
  device=VGA,xres=${size%x*},yres=${size#*x},vgamem_mb=64
  if [[ $kind == virtio ]]; then
    device=virtio-gpu-pci,xres=${size%x*},yres=${size#*x} format="Blt only"
  fi
  cp /usr/share/OVMF/OVMF_VARS_4M.fd "$work/vars.fd"
  coproc qemu {
    exec qemu-system-x86_64 -nodefaults -no-user-config -machine q35 -accel tcg -m 256 -display none -net none \
      -drive if=pflash,format=raw,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.fd \
      -drive if=pflash,format=raw,file="$work/vars.fd" -drive format=raw,file="$image",snapshot=on \
      -vga none -device "$device" -serial file:"$work/serial.log" -qmp stdio 2>"$work/qemu.log"
  }
  qmp '{"execute": "qmp_capabilities"}' || fail "qemu did not start: $(cat "$work/qemu.log")" "$size"
  poll 180 is_pattern_at "$size" || fail "not the pattern for $size at start, but ${width}x$height:
$(differences)" "$size"
  key spc
  poll 60 is_dialog || fail "Space did not show the dialog for the line on the serial console ($line):
$(cat "$work/dialog.txt")" "$size"
  want="${size%x*} x ${size#*x}, $format, ${size%x*} pixels a line; the display gave no EDID."
  [[ $line =~ ^Mode\ [0-9]+\ of\ [0-9]+:\ (.*)$ && ${BASH_REMATCH[1]} == "$want" ]] ||
    fail "the dialog's line: $line" "$size"
  key ret
  poll 60 is_pattern_at "$size" || fail "not the pattern after Enter:
$(differences)" "$size"
  key right
  poll 60 is_other_pattern "$size" || fail "Right showed no other mode exact for its size (${width}x$height):
$(differences)" "$size"
  key home
  poll 60 is_pattern_at "$size" || fail "Home did not bring back $size (${width}x$height):
$(differences)" "$size"
  if [[ $kind == virtio ]]; then # Esc from the dialog here, from the pattern on VGA
    key spc && poll 60 is_dialog || fail "Space did not show the dialog again:
$(cat "$work/dialog.txt")" "$size"
  fi
  key esc
  poll 60 ended || fail "the boot manager did not go on after Esc" "$size"
}

case $kind in
files) files "${@:2}" ;;
run) run "${@:2}" ;;
vga | virtio) boot "${@:2}" ;;
esac
