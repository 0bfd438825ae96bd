#!/usr/bin/env bash
# Runs a preset's end-to-end tests under Wine ten times in a row, each time on
# a Wine prefix made afresh in the build tree, as on a new machine's first run,
# and prints how many of the ten runs passed. Too long for the test command.
#
#   tests/windows/fresh-prefixes.sh [win32|win64]
set -uo pipefail
cd "$(dirname "$0")/../.."
preset=${1:-win32}
cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" >/dev/null || exit 1
build=build/$preset
rm -f "$build"/fresh-prefix*.log
passed=0
for run in $(seq 10); do
  rm -rf "$build/wineprefix"
  if ctest --test-dir "$build" -R '^end_to_end_' --output-on-failure >"$build/fresh-prefix.log" 2>&1 &&
      ! grep -q 'Skipped' "$build/fresh-prefix.log"; then # as ctest counts a skip as a pass
    passed=$((passed + 1))
  else
    mv "$build/fresh-prefix.log" "$build/fresh-prefix-$run.log"
    echo "run $run failed: $build/fresh-prefix-$run.log"
  fi
done
rm -f "$build/fresh-prefix.log"
echo "$passed of 10 passed"
