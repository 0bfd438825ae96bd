#!/usr/bin/env bash
# Builds everything and runs every test: the host unit tests (with the
# sanitizer sweep), then the Windows program under Wine, 32-bit and 64-bit.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

for preset in host win32 win64; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j 2
done
