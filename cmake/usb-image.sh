#!/bin/sh
# usb-image.sh EFI IMAGE: a 2 MiB disk image for a USB stick, without root:
# an MBR with one EFI System partition whose FAT holds EFI as
# EFI/BOOT/BOOTX64.EFI, the name firmwares start from removable media.
# Fixed disk identifier, volume serial and time stamps, so the same EFI gives
# the same image.
set -eu
efi=$1 image=$2
size=$(stat -c %s "$efi")
[ "$size" -le 32768 ] || { echo "$efi is $size bytes, over 32 KiB" >&2; exit 1; }
rm -f "$image.new"
truncate -s 2M "$image.new"
printf 'label: dos\nlabel-id: 0x51a1e5e7\nstart=2048, type=ef\n' | sfdisk -q "$image.new"
mkfs.fat -F 12 -n QUORVANE --invariant --offset 2048 "$image.new" 1024 >/dev/null
# mtools stamps new entries with SOURCE_DATE_EPOCH: 2026-01-01.
export SOURCE_DATE_EPOCH=1767225600 MTOOLS_SKIP_CHECK=1
mmd -i "$image.new@@1M" ::/EFI ::/EFI/BOOT
mcopy -i "$image.new@@1M" "$efi" ::/EFI/BOOT/BOOTX64.EFI
mv "$image.new" "$image"
