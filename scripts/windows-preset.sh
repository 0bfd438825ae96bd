#!/usr/bin/env bash
# Prints the Windows preset whose programs this machine runs: win32, or win64
# where the kernel refuses 32-bit programs (Wine's 32-bit loader then cannot
# start).
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo win32
else
  echo win64
fi
