#!/usr/bin/env bash
# Prints the Windows preset whose programs this machine runs: win32, or win64
# where it refuses 32-bit programs (the answer of scripts/wine.sh --runs-32bit).
if "$(dirname "$0")/wine.sh" --runs-32bit >/dev/null; then
  echo win32
else
  echo win64
fi
