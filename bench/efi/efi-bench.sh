#!/usr/bin/env bash
# efi-bench.sh BUILD: boots the benchmark builds of quorvane.efi in qemu
# (software emulation) with OVMF at 1920x1080 and 3840x2160, on QEMU's
# standard VGA (a frame buffer) and on virtio-gpu (Blt only), and prints the
# line each boot writes on the serial console: its first frame from its start
# against one colour put the same way, both timed by the application itself.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; wait; rm -rf "$work"' EXIT
for display in ${DISPLAYS:-VGA virtio-gpu-pci}; do
  for size in ${SIZES:-1920x1080 3840x2160}; do
    "$(dirname "$0")/../../cmake/usb-image.sh" "$build/quorvane-bench-$size.efi" "$work/bench.img"
    cp /usr/share/OVMF/OVMF_VARS_4M.fd "$work/vars.fd"
    : >"$work/serial.log"
    qemu-system-x86_64 -nodefaults -no-user-config -machine q35 -accel tcg -m 512 -display none -net none \
      -drive if=pflash,format=raw,readonly=on,file=/usr/share/OVMF/OVMF_CODE_4M.fd \
      -drive if=pflash,format=raw,file="$work/vars.fd" -drive format=raw,file="$work/bench.img",snapshot=on \
      -vga none -device "$display,xres=${size%x*},yres=${size#*x}$([[ $display == VGA ]] && echo ,vgamem_mb=64)" \
      -serial file:"$work/serial.log" 2>"$work/qemu.log" &
    qemu=$!
    # The application prints its line and returns; nothing else is waited for.
    for _ in $(seq 300); do
      grep -aq 'Quorvane benchmark.*ratio.*ratio [0-9.]*' "$work/serial.log" && break
      kill -0 "$qemu" 2>/dev/null || break
      sleep 1
    done
    kill "$qemu" 2>/dev/null || true
    wait "$qemu" 2>/dev/null || true
    grep -ao 'Quorvane benchmark.*ratio [0-9.]*' "$work/serial.log" || echo "$display $size: no figures: $(tail -3 "$work/qemu.log")"
  done
done
