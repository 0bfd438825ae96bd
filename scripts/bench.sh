#!/usr/bin/env bash
# Measures speed and memory, each against a baseline run in the same go, and
# prints the figures and ratios that docs/performance.md records.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host view view-tests console windows wine web bench efi

# The Wine figures come from the 32-bit program; where this machine cannot run
# 32-bit programs, from the 64-bit build of the same sources.
windows=$(scripts/windows-preset.sh)
if [[ $windows == win64 ]]; then
  echo "This machine does not run 32-bit programs: the Wine figures below are from the 64-bit build."
fi

for preset in host "$windows" web efi; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" >/dev/null
done

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
build/host/bench/pattern_bench --benchmark_filter='WalkPattern|CopyPatternOps' --benchmark_format=csv \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null >"$scratch/pattern_bench.csv"
# The frames' repetitions short, many and interleaved, so that a busy spell
# of the machine falls on the rasteriser and its baselines alike and the best
# of each is a repetition that none fell on.
build/host/bench/pattern_bench --benchmark_filter='Frame|Fill' --benchmark_format=csv --benchmark_repetitions=100 \
    --benchmark_min_time=0.005 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true \
    2>/dev/null >"$scratch/frames.csv"

echo "== walking the drawing list, against copying as many entries"
grep -E 'WalkPattern|CopyPatternOps' "$scratch/pattern_bench.csv" |
  awk -F, '$1 ~ /_median"$/ {
      split($1, name, "[/_\"]"); kind = name[2]; size = name[3]
      entries[size] = $NF; time[kind, size] = $3
    }
    END {
      split("1920x1080 3840x2160 7680x4320", label, " ")
      for (i = 0; i <= 2; ++i) {
        walk = time["WalkPattern", i] / entries[i]; copy = time["CopyPatternOps", i] / entries[i]
        printf "%s: %d entries, walk %.2f ns/entry, copy %.2f ns/entry, ratio %.2f\n", label[i + 1], entries[i], walk, copy, walk / copy
      }
    }'

echo "== the rasteriser's whole frame, against the fastest one-colour fill of it and against drawing it entry by entry"
awk -F, '$1 ~ /_(min|median|max)"$/ { split($1, name, "[/_\"]"); time[name[2], name[3], name[4]] = $3; kinds[name[2]] = 1 }
    END {
      split("1920x1080 3840x2160 7680x4320", label, " ")
      for (i = 0; i <= 2; ++i) {
        floor = ""; fills = ""
        for (kind in kinds) {
          if (kind !~ /^Fill/) continue
          fills = fills sprintf(" %s %.2f", substr(kind, 5), time[kind, i, "min"])
          if (floor == "" || time[kind, i, "min"] < time[floor, i, "min"]) floor = kind
        }
        row = time["RenderFrame", i, "min"]; fill = time[floor, i, "min"]; entries = time["RenderFrameByEntries", i, "min"]
        printf "%s, best of 100 (median, worst): rasteriser %.2f ms (%.2f, %.2f), fastest fill %s %.2f ms (%.2f, %.2f), ratio %.2f (medians %.2f); entry by entry %.2f ms, ratio %.2f; bests of the fills (ms):%s\n",
          label[i + 1], row, time["RenderFrame", i, "median"], time["RenderFrame", i, "max"],
          substr(floor, 5), fill, time[floor, i, "median"], time[floor, i, "max"],
          row / fill, time["RenderFrame", i, "median"] / time[floor, i, "median"], entries, entries / fill, fills
      }
    }' "$scratch/frames.csv"

echo "== quorvane-render 7680x4320, against libpng writing a black image of that size"
best() { sort -n | head -n 1; }
for run in 1 2 3 4 5; do
  /usr/bin/time -f "%e %M" -a -o "$scratch/render" build/host/quorvane-render 7680x4320 -o "$scratch/pattern.png"
  /usr/bin/time -f "%e %M" -a -o "$scratch/black" build/host/bench/black-png 7680x4320 "$scratch/black.png"
done
render_time=$(cut -d' ' -f1 "$scratch/render" | best)
black_time=$(cut -d' ' -f1 "$scratch/black" | best)
render_memory=$(cut -d' ' -f2 "$scratch/render" | sort -n | tail -n 1)
black_memory=$(cut -d' ' -f2 "$scratch/black" | sort -n | tail -n 1)
awk -v r="$render_time" -v b="$black_time" -v rm="$render_memory" -v bm="$black_memory" 'BEGIN {
  printf "best of 5: render %.2f s, black %.2f s, ratio %.2f; peak memory render %.1f MiB, black %.1f MiB\n", r, b, r / b, rm / 1024, bm / 1024
}'

export WINEPREFIX=$PWD/build/$windows/wineprefix
echo "== one PaintPattern under Wine ($windows), against the same GDI calls from a ready list"
tests/windows/with-wine.sh 3840x2160 "build/$windows/bench/windows/paint_bench.exe" 200
echo "== start to first complete paint under Wine ($windows), against a minimal window program"
tests/windows/with-wine.sh 1024x768 "build/$windows/bench/windows/startup_bench.exe" "build/$windows/quorvane.exe" \
    "build/$windows/bench/windows/minimal_window.exe" 31

echo "== the web page's core: WebAssembly under Node (500 frames), against the native rasteriser (100 repetitions)"
node bench/web/WebBench.mjs core build/web/quorvane_core.wasm >"$scratch/wasm"
for size in 0 1; do
  for statistic in median min; do grep "\"RenderFrame/${size}_$statistic\"" "$scratch/frames.csv" | cut -d, -f3; done |
    paste -sd' '
done >"$scratch/native"
paste -d' ' "$scratch/wasm" "$scratch/native" |
  awk '{ printf "%s, best (median): WebAssembly %.2f ms (%.2f), native %.2f ms (%.2f), ratio %.2f (medians %.2f)\n",
         $2, $4, $3, $7, $6, $4 / $7, $3 / $6 }'
echo "== the web page in Chromium: navigation to the first exact frame, against an all-black buffer (medians of 15)"
node bench/web/WebBench.mjs page "$PWD/build/web/quorvane.html" 15
echo "== the web page's size"
echo "build/web/quorvane.html: $(stat -c %s build/web/quorvane.html) bytes (at most 65536)"

# Each against a bare client of its own platform showing one black frame. On
# a virtual X screen of its own for each size; X11 even inside a Wayland
# session, where the viewer would otherwise choose the session's display.
echo "== quorvane-view: start to the first complete frame and peak memory, against a bare native client (medians of 15)"
for size in 1920x1080 3840x2160; do
  : >"$scratch/display"
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$scratch/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do
    [[ -s $scratch/display ]] && break
    sleep 0.1
  done
  env -u WAYLAND_DISPLAY DISPLAY=":$(head -n 1 "$scratch/display")" \
      build/host/view_start_bench x11 build/host/quorvane-view build/host/view_bare_x11 15
  kill "$xvfb"
  wait "$xvfb" 2>/dev/null || true
done
# Headless sway with a grey background, as an unprivileged user when run as
# root (sway refuses root), from copies that user can reach.
chmod 755 "$scratch"
install -m 755 -t "$scratch" build/host/quorvane-view build/host/view_bare_wayland build/host/view_start_bench
mkdir -m 700 "$scratch/run"
as_user=()
if [[ $(id -u) == 0 ]]; then
  as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  chown 65534:65534 "$scratch/run"
fi
for size in 1920x1080 3840x2160; do
  printf 'output HEADLESS-1 mode %s scale 1 bg #808080 solid_color\ndefault_border none\n' "$size" >"$scratch/sway.conf"
  chmod 644 "$scratch/sway.conf"
  env -u DISPLAY XDG_RUNTIME_DIR="$scratch/run" HOME="$scratch/run" WAYLAND_DISPLAY=wayland-1 \
      WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 "${as_user[@]}" sway -c "$scratch/sway.conf" >/dev/null 2>&1 &
  sway=$!
  for _ in $(seq 100); do
    [[ -S $scratch/run/wayland-1 ]] && break
    sleep 0.1
  done
  sleep 1 # the background drawn
  env -u DISPLAY XDG_RUNTIME_DIR="$scratch/run" WAYLAND_DISPLAY=wayland-1 "${as_user[@]}" \
      "$scratch/view_start_bench" wayland "$scratch/quorvane-view" "$scratch/view_bare_wayland" 15
  kill "$sway"
  wait "$sway" 2>/dev/null || true
  rm -f "$scratch/run"/*
done
# Inside the console's virtual machine (software emulation), on the standard
# VGA through bochs-drm.
tests/view/view-test.sh console-bench build/host/quorvane-view build/host/view_start_bench \
    build/host/tests/view/console-vm build/host/view_bare_console

echo "== quorvane.efi booted by OVMF in qemu (software emulation): start to the first complete frame, against one colour put the same way"
bench/efi/efi-bench.sh build/efi 3
