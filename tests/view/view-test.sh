#!/usr/bin/env bash
# view-test.sh x11|wayland|console VIEWER PROBE CACHE: quorvane-view on a real platform, every screen pixel
# held against the pattern for its size, then a click (the dialog, every pixel), Enter, a click and Esc (Exit on
# Wayland). CACHE keeps the console's kernel.
# view-test.sh console-bench VIEWER BENCH CACHE BARE: bench/view's start-up benchmark run inside the console's
# virtual machine instead, its line printed.
set -euo pipefail
platform=$1 viewer=$2 probe=$3 cache=$4 bare=${5:-}
source "$(dirname "$0")/../support/testing.sh"
source "$(dirname "$0")/../support/qmp.sh"
poll_interval=0.2 # a capture costs little: the screen is looked at five times a second
work=$(mktemp -d)
chmod 755 "$work" # the unprivileged compositor's user reaches its copies in here
shot=$work/shot.ppm viewer_log=$work/viewer.log pids=()
stop_all() { kill "${pids[@]}" 2>/dev/null || true; wait || true; pids=(); }
trap 'stop_all; rm -rf "$work"' EXIT
fail() { echo "FAIL ($platform${width:+ ${width}x$height}): $*"; tail -5 "$viewer_log" 2>/dev/null; exit 1; }

# The screen against the pattern for width x height, or (compare dialog) against the dialog with the technician's
# line $line: 0 the same, 1 different, 2 no capture; details in $work/diff.
compare() {
  ! viewer_ended || fail "the viewer ended unasked"
  capture 2>"$work/diff" || return 2
  if [[ ${1:-} == dialog ]]; then
    "$probe" compare-dialog "$width" "$height" "$line" "$shot" >"$work/diff"
  else
    "$probe" compare "$width" "$height" "$shot" >"$work/diff"
  fi
}
# Only polled, where a failure does not end the script:
cursor_shown() { "$probe" cursor >"$work/cursor"; (($? == 1)); }
expect_pattern() { poll "${2:-30}" compare || { cat "$work/diff"; fail "not the pattern $1"; }; }
# The dialog, its line telling the size, the scale ($scale, else 1) and $driver, one to one as every row is.
expect_dialog() {
  line="$width x $height device pixels, scale ${scale:-1}, driver $driver: one to one."
  poll 15 compare dialog || { cat "$work/diff"; fail "not the dialog saying '$line' $1"; }
}
viewer_ended() { ! kill -0 "$viewer_pid" 2>/dev/null; }
spawn() { "$@" & pids+=($!); }
start_viewer() { spawn "$@" 2>"$viewer_log"; viewer_pid=$!; }

# From the pattern on screen to the end, on X11 and Wayland alike, then stops all that was started.
pause_resume_end() {
  click
  expect_dialog "after a click"
  [[ $platform != x11 ]] || poll 5 cursor_shown || fail "the cursor stays hidden over the dialog: $(cat "$work/cursor")"
  key Return
  expect_pattern "after Enter"
  click # Esc or Exit from the dialog; the console test has Esc from the pattern
  expect_dialog "after a second click"
  end_from_dialog
  poll 15 viewer_ended || fail "still running after Esc or Exit"
  wait "$viewer_pid" || fail "ended with status $? after Esc or Exit"
  stop_all
}

x11() {
  local driver=x11
  capture() { xwd -root -silent | xwdtopnm | pamdepth 255 >"$shot"; }
  click() { xdotool mousemove $((width / 8)) $((height / 8)) click 1; }
  key() { xdotool key "$1"; }
  end_from_dialog() { key Escape; }
  # The screen's size; a server without MIT-SHM, as a remote one is, its requests at most 4 MiB (BIG-REQUESTS
  # cannot be switched off), so that the frame goes in two strips; and a change of the size by RandR while the
  # viewer runs: Xvfb cannot change its size, so that row's screen is Xephyr's, inside an Xvfb large enough.
  for row in "800x600" "1366x768 without-MIT-SHM" "1024x768 800x600"; do
    read -r size new_size <<<"$row"
    width=${size%x*} height=${size#*x}
    # No window manager: the viewer alone must cover the screen.
    if [[ $new_size == without-MIT-SHM ]]; then
      start_x Xvfb -screen 0 "${size}x24" -extension MIT-SHM -maxbigreqsize 1
      new_size=
    elif [[ -z $new_size ]]; then
      start_x Xvfb -screen 0 "${size}x24"
    else
      start_x Xvfb -screen 0 1600x1200x24 && start_x Xephyr -screen "${size}x24" -resizeable
    fi
    start_viewer env -u WAYLAND_DISPLAY "$viewer"
    expect_pattern "on ${new_size:+Xephyr in }Xvfb"
    "$probe" cursor >"$work/cursor" || fail "the cursor shows over the pattern: $(cat "$work/cursor")"
    if [[ -n $new_size ]]; then
      xrandr -s "$new_size" 2>/dev/null # Xephyr has no gamma to tell of
      width=${new_size%x*} height=${new_size#*x}
      expect_pattern "after RandR changed the screen from $size"
    fi
    pause_resume_end
  done
}
start_x() { # SERVER ARGUMENT...: an X server on a display of its own, made $DISPLAY
  : >"$work/display"
  spawn "$@" -displayfd 3 -nolisten tcp 3>"$work/display" 2>"$work/x.log"
  poll 10 test -s "$work/display" || fail "$1 did not start: $(cat "$work/x.log")"
  export DISPLAY=:$(<"$work/display")
}

wayland() {
  # sway refuses root: then the compositor, its clients and the viewer run as nobody, from copies it can reach.
  local as_user=() run=$work/run driver=wayland compositor gone status=0
  local lost="quorvane-view: cannot show the pattern: lost the Wayland display: Broken pipe"
  mkdir -m 700 "$run"
  [[ $(id -u) != 0 ]] || { as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups); chown 65534:65534 "$run"; }
  install -m 755 -t "$work" "$viewer" "$probe"
  export XDG_RUNTIME_DIR=$run HOME=$run WAYLAND_DISPLAY=wayland-1 SWAYSOCK=$run/sway.sock
  export WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1
  unset DISPLAY
  shot=$run/shot.ppm
  capture() { "${as_user[@]}" grim -t ppm -o "$output" "$shot"; }
  click() { echo "1 1 8 8" >&"${pointer[1]}"; }
  key() { "${as_user[@]}" wtype -s 300 -k "$1"; } # sooner, keys get lost
  # Exit clicked where it is in device pixels: the viewer gets logical units.
  end_from_dialog() { "$probe" exit "$width" "$height" >&"${pointer[1]}"; }
  # The output's mode and scale, and a change of both while the viewer runs; or a second output made and the
  # viewer's workspace moved to it and back. (sway 1.7 cannot switch a headless output off: its commit fails.)
  for row in "1024x768 1 1600x900 1.25" "1280x720 2" "1920x1080 1.5" "1600x900 1.25 outputs"; do
    read -r mode scale new_mode new_scale <<<"$row"
    width=${mode%x*} height=${mode#*x} output=HEADLESS-1
    # The pointer's arrow hidden once still: headless sway draws it into what grim captures.
    printf 'output HEADLESS-1 mode %s scale %s\ndefault_border none\nseat * hide_cursor 100\n' "$mode" "$scale" \
      >"$work/sway.conf"
    chmod 644 "$work/sway.conf"
    start_sway
    coproc pointer { "${as_user[@]}" "$work/${probe##*/}" pointer; }
    pids+=("$pointer_PID")
    start_viewer "${as_user[@]}" "$work/${viewer##*/}"
    expect_pattern "at scale $scale"
    if [[ $new_mode == outputs ]]; then
      "${as_user[@]}" swaymsg -q create_output
      "${as_user[@]}" swaymsg -q output HEADLESS-2 mode 800x600 scale 1
      "${as_user[@]}" swaymsg -q move workspace to output HEADLESS-2
      width=800 height=600 output=HEADLESS-2
      expect_pattern "moved to HEADLESS-2"
      "${as_user[@]}" swaymsg -q move workspace to output HEADLESS-1
      width=${mode%x*} height=${mode#*x} output=HEADLESS-1
      expect_pattern "moved back to HEADLESS-1"
      end_from_dialog() { key Escape; } # Exit's place in the layout of two outputs is not the probe's
    elif [[ -n $new_mode ]]; then
      "${as_user[@]}" swaymsg -q output HEADLESS-1 mode "$new_mode" scale "$new_scale"
      width=${new_mode%x*} height=${new_mode#*x} scale=$new_scale
      expect_pattern "after a change from $mode at scale $scale to scale $new_scale"
    fi
    pause_resume_end
  done
  # The compositor gone: the viewer waits, and shows again on one started anew on the same socket; gone for good,
  # it ends with one line and status 1, not before its 10 s of waiting. (The socket is in this test's own folder,
  # where nothing else can make another.)
  start_sway
  start_viewer "${as_user[@]}" "$work/${viewer##*/}"
  expect_pattern "before its compositor goes"
  kill "$compositor" && wait "$compositor" || true
  start_sway
  expect_pattern "on its compositor started again"
  kill "$compositor"
  gone=$SECONDS
  poll 20 viewer_ended || fail "still running 20 s after its compositor went"
  wait "$viewer_pid" || status=$?
  [[ $status == 1 && $(<"$viewer_log") == "$lost, and it did not come back within 10 seconds" ]] ||
    fail "status $status after its compositor went: $(cat "$viewer_log")"
  ((SECONDS - gone >= 9)) || fail "ended $((SECONDS - gone)) s after its compositor went, without waiting 10 s"
  stop_all
}
start_sway() { # sway on $WAYLAND_DISPLAY, its process $compositor
  spawn "${as_user[@]}" sway -c "$work/sway.conf" >"$work/sway.log" 2>&1
  compositor=$!
  poll 10 test -S "$run/$WAYLAND_DISPLAY" || fail "sway did not start: $(tail -5 "$work/sway.log")"
}

# Debian's kernel and the modules for a virtual GPU (virtio-gpu), the emulated standard VGA (bochs-drm), the
# keyboard and the mouse, kept in CACHE. The initramfs is made for each run: busybox, those modules, the viewer and exactly the
# shared libraries ldd lists for it, nothing else of the host's (no graphics library beyond libdrm); it runs the
# viewer on tty1 as a console login would, then once more ended by the signal $ending from the kernel's command line,
# and tells on the serial line each status and the console's state before and after: the terminal's settings, and
# whether a font loads, which it does in text mode (KD_TEXT) alone.
prepare_console() {
  vm=$cache/$(cksum <"$0" | cut -d ' ' -f 1) # made afresh when this script changes
  if [[ ! -s $vm/vmlinuz ]]; then
    local made=$work/vm package version
    package=$(apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/ *Depends: \(linux-image-[0-9].*\)/\1/p')
    [[ -n $package ]] || skip "apt knows no Debian kernel (linux-image-amd64); apt-get update may be missing"
    version=${package#linux-image-}
    mkdir -p "$made/modules"
    (cd "$made" && apt-get download -q "$package" >download.log 2>&1) ||
      skip "could not download $package: $(tail -1 "$made/download.log")"
    dpkg-deb -x "$made"/*.deb "$made/kernel"
    depmod -b "$made/kernel" "$version"
    modprobe -d "$made/kernel" -S "$version" --show-depends -a virtio_pci virtio_gpu bochs virtio_input evdev |
      awk '$1 == "insmod" && !seen[$2]++ { print $2 }' >"$made/order" # in load order
    xargs -d '\n' -a "$made/order" cp -t "$made/modules"
    sed 's,.*/,,' "$made/order" >"$made/modules/order"
    rm -rf "$cache" && mkdir -p "$vm" && cp "$made/kernel/boot/vmlinuz-$version" "$vm/vmlinuz"
    mv "$made/modules" "$vm/"
  fi
  local root=$work/initrd library
  mkdir -p "$root"/{bin,dev,proc,sys}
  cp -r "$vm/modules" "$root/"
  cp /bin/busybox "$root/bin/"
  cp "$viewer" "$root/quorvane-view"
  [[ -z $bare ]] || cp "$probe" "$bare" "$root/" # the benchmark and its bare client
  for library in $(ldd "$viewer" ${bare:+"$probe" "$bare"} |
                   awk '$2 == "=>" && $3 ~ /^\// { print $3 } $1 ~ /^\// { print $1 }' | sort -u); do
    mkdir -p "$root${library%/*}" && cp -L "$library" "$root$library"
  done
  if [[ -z $bare ]]; then
    # The console's state told from within the viewer's session, since the hangup at its end resets the terminal.
    cat >"$root/job" <<'JOB'
settings=$(stty -g)
tty1() { echo "tty1 $1: $(stty -g) $(loadfont </font 2>/dev/null && echo text || echo not text)"; }
tty1 before
while sleep 0.5; do # the viewer's event devices open, at each change
  p=$(pidof quorvane-view) || continue
  n=$(ls -l /proc/$p/fd | grep -c /dev/input/)
  [ "$n" = "$last" ] || echo "mice open: $n"; last=$n
done &
/quorvane-view
echo "viewer ended with status $?"
tty1 after
{ until [ "$(stty -g </dev/tty1)" != "$settings" ]; do sleep 0.1; done; kill -$1 $(pidof quorvane-view); } &
/quorvane-view # in the foreground, where SIGQUIT is not ignored; raw mode once its signals are blocked
echo "viewer ended by SIG$1 with status $?"
tty1 "after SIG$1"
JOB
  else
    echo "/${probe##*/} console /quorvane-view /${bare##*/} 15 >/dev/console 2>&1" >"$root/job"
  fi
  install -m 755 /dev/stdin "$root/init" <<'INIT'
#!/bin/busybox sh
/bin/busybox --install -s /bin
mount -t devtmpfs dev /dev && exec </dev/console >/dev/console 2>&1
mount -t proc proc /proc && mount -t sysfs sys /sys
for module in $(cat /modules/order); do insmod /modules/$module; done
{ printf '\066\004\000\020'; head -c 4096 /dev/zero; } >/font # a PSF font of 256 blank glyphs
setsid -c env -i HOME=/ USER=root LOGNAME=root SHELL=/bin/sh TERM=linux PATH=/bin sh /job "$ending" </dev/tty1
poweroff -f
INIT
  (cd "$root" && find . | cpio -o -H newc --quiet | gzip -1) >"$work/initrd.gz"
}

console() {
  command -v qemu-system-x86_64 >/dev/null || skip "qemu-system-x86_64 is not installed"
  prepare_console
  local driver=kmsdrm device size end signal mouse got state want
  capture() { qmp "{\"execute\": \"screendump\", \"arguments\": {\"filename\": \"$shot\"}}"; }
  mice_open() { [[ $(tr -d '\r' <"$viewer_log" | grep -ao 'mice open: [0-9]*' | tail -1) == "mice open: $1" ]]; }
  # A virtual GPU with a mouse unplugged and another plugged in, and the standard VGA, which bochs-drm drives as a
  # bare PC's firmware frame buffer would be; ended by Esc or Ctrl-C, then by a signal. Software emulation, no KVM.
  # The viewer finds the console's driver by itself.
  for row in "virtio-gpu-pci 1024x768 esc TERM -device virtio-mouse-pci,id=mouse" "VGA 1280x720 ctrl+c QUIT"; do
    read -r device size end signal mouse <<<"$row"
    width=${size%x*} height=${size#*x} viewer_log=$work/serial-$device.log
    coproc qemu {
      exec qemu-system-x86_64 -nodefaults -no-user-config -no-reboot -accel tcg -m 512 -display none \
        -kernel "$vm/vmlinuz" -initrd "$work/initrd.gz" -append "console=ttyS0 panic=-1 ending=$signal" \
        -device "$device,xres=$width,yres=$height" -device virtio-keyboard-pci $mouse \
        -serial "file:$viewer_log" -qmp stdio 2>"$work/qemu.log"
    }
    viewer_pid=$qemu_PID pids+=("$qemu_PID")
    qmp '{"execute": "qmp_capabilities"}' || fail "qemu did not start: $(cat "$work/qemu.log")"
    expect_pattern "on the console ($device)" 120
    if [[ -n $mouse ]]; then
      poll 30 mice_open 1 && qmp '{"execute": "device_del", "arguments": {"id": "mouse"}}' && poll 30 mice_open 0 ||
        fail "the mouse unplugged is still open"
      qmp '{"execute": "device_add", "arguments": {"driver": "virtio-mouse-pci"}}' && poll 30 mice_open 1 ||
        fail "the mouse plugged in is not open"
    fi
    # No clicks here: Space pauses, Enter returns, Esc or Ctrl-C ends; Ctrl-\ and Ctrl-Z are mere keys to it.
    key ctrl backslash && key ctrl z && key spc
    expect_dialog "after Ctrl-\\, Ctrl-Z and Space ($device)"
    key ret
    expect_pattern "after Enter ($device)"
    key ${end/+/ }
    poll 60 viewer_ended || fail "the virtual machine still runs after $end ($device)"
    # The console in text mode at first, and as it was after each end.
    got=$(tr -d '\r' <"$viewer_log" | grep -ao 'tty1 .*\|viewer ended .*') state=$(sed -n 's/^tty1 before: //p' <<<"$got")
    want=$(printf '%s\n' "tty1 before: $state" "viewer ended with status 0" "tty1 after: $state" \
      "viewer ended by SIG$signal with status $((128 + $(kill -l "$signal")))" "tty1 after SIG$signal: $state")
    [[ $state == *' text' && $got == "$want" ]] || fail "the serial line after $end and SIG$signal ($device)," \
      "against what it should be: $(diff <(echo "$got") <(echo "$want"))"
    stop_all
  done
}

console-bench() {
  prepare_console
  local log=$work/serial.log
  timeout 300 qemu-system-x86_64 -nodefaults -no-user-config -no-reboot -accel tcg -m 512 -display none \
    -kernel "$vm/vmlinuz" -initrd "$work/initrd.gz" -append "console=ttyS0 panic=-1 quiet" \
    -device VGA,xres=1920,yres=1080 -serial "file:$log" 2>"$work/qemu.log" || true
  grep '^console ' "$log" | sed 's/^console/console (bochs-drm in qemu)/' || { tail -5 "$log"; exit 1; }
}

"$platform"
