#!/usr/bin/env bash
# efi-bench.sh BUILD [BOOTS]: boots quorvane.efi's benchmark builds in qemu (software emulation) with OVMF at
# 1920x1080 and 3840x2160, on QEMU's standard VGA (a frame buffer) and on virtio-gpu (Blt only). Each boot's
# application times its own start to the end of its first complete frame, the pattern's or, in the baseline's
# build, one colour's put the same way, and writes it on the serial console; the builds boot alternately, BOOTS
# times each (3), and the medians are compared. Each line also gives the warm path's ratio from the pattern's boots.
set -euo pipefail
build=$1 boots=${2:-3}
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work"' EXIT
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# The serial line of one boot of EFI on DEVICE.
boot() {
  "$(dirname "$0")/../../cmake/usb-image.sh" "$1" "$work/bench.img"
  cp /usr/share/OVMF/OVMF_VARS_4M.fd "$work/vars.fd"
  : >"$work/serial.log"
  qemu-system-x86_64 -nodefaults -no-user-config -machine q35 -accel tcg -m 512 -display none -net none \
    -drive if=pflash,format=raw,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.fd \
    -drive if=pflash,format=raw,file="$work/vars.fd" -drive format=raw,file="$work/bench.img",snapshot=on \
    -vga none -device "$2" -serial file:"$work/serial.log" 2>"$work/qemu.log" &
  local qemu=$!
  # The application writes its line and returns.
  for _ in $(seq 300); do
    grep -aq 'Quorvane benchmark.*ratio [0-9.]*' "$work/serial.log" && break
    kill -0 "$qemu" 2>/dev/null || break
    sleep 1
  done
  kill "$qemu" 2>/dev/null || true
  wait "$qemu" 2>/dev/null || true
  grep -ao 'Quorvane benchmark.*ratio [0-9.]*' "$work/serial.log" ||
    echo "no figures on $2: $(tail -3 "$work/qemu.log")" >&2
}

for display in VGA virtio-gpu-pci; do
  for size in 1920x1080 3840x2160; do
    device=$display,xres=${size%x*},yres=${size#*x}
    [[ $display != VGA ]] || device+=,vgamem_mb=64
    : >"$work/pattern" && : >"$work/colour"
    for _ in $(seq "$boots"); do
      for first in pattern colour; do
        boot "$build/quorvane-bench-$size-$first.efi" "$device" >>"$work/$first"
      done
    done
    sed -n 's/.*start to first frame \([0-9]*\) us.*/\1/p' "$work/pattern" | median >"$work/pattern.us"
    sed -n 's/.*start to first frame \([0-9]*\) us.*/\1/p' "$work/colour" | median >"$work/colour.us"
    sed -n 's/.*ratio \([0-9.]*\)$/\1/p' "$work/pattern" | median >"$work/warm"
    awk -v kind="${display%-pci} $size" -v boots="$boots" -v p="$(<"$work/pattern.us")" -v c="$(<"$work/colour.us")" \
      -v w="$(<"$work/warm")" 'BEGIN {
        printf "%s: start to first frame, median of %d boots: the pattern %.1f ms, one colour %.1f ms,", kind, boots,
          p / 1000, c / 1000
        printf " ratio %.2f;", p / c
        printf " warm, best of 5: ratio %.2f\n", w
      }'
  done
done
