#!/usr/bin/env bash
# Builds everything and runs every test: the host unit tests (with the
# sanitizer sweep), the viewer on its platforms and the .deb, the Windows
# program under Wine, 32-bit and 64-bit, the web page under Node and in
# Chromium and Firefox, and quorvane.efi booted by OVMF in qemu.
# Every preset runs even when an earlier one fails; a summary of all of them
# ends the output, and the exit status is 1 if anything failed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh host view view-tests console package windows wine web efi

# "host: 40 passed, 0 failed, 2 skipped", then the failed tests' names and the
# reasons for skips, from CTest's JUnit report.
summarise() {
  local preset=$1 results=$2
  if [[ ! -f $results ]]; then
    echo "$preset: no test results"
    return
  fi
  local count failures skipped disabled
  count=$(grep -o -m 1 'tests="[0-9]*"' "$results" | tr -dc 0-9)
  failures=$(grep -o -m 1 'failures="[0-9]*"' "$results" | tr -dc 0-9)
  skipped=$(grep -o -m 1 'skipped="[0-9]*"' "$results" | tr -dc 0-9)
  disabled=$(grep -o -m 1 'disabled="[0-9]*"' "$results" | tr -dc 0-9)
  echo "$preset: $((count - failures - skipped - disabled)) passed, $failures failed, $((skipped + disabled)) skipped"
  { grep -o '<testcase name="[^"]*"[^>]*status="fail"' "$results" || true; } |
    sed 's/<testcase name="\([^"]*\)".*/  failed: \1/'
  { grep -o 'skipped: [^<]*' "$results" || true; } | sort -u |
    sed -e 's/^/  /' -e "s/&apos;/'/g" -e 's/&quot;/"/g' -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&amp;/\&/g'
}

summary=()
status=0
# The web page's and quorvane.efi's pixels are held against the host's
# quorvane-render: the one this run built, never an older one left from before.
host_built=no
for preset in host win32 win64 web efi; do
  echo "== $preset"
  results=$PWD/build/$preset-test-results.xml
  rm -f "$results"
  if [[ $preset == web || $preset == efi ]] && [[ $host_built == no ]]; then
    summary+=("$preset: not run: the host build failed, and it is held against its quorvane-render")
    status=1
    continue
  fi
  if ! { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; }; then
    summary+=("$preset: the build failed")
    status=1
    continue
  fi
  [[ $preset != host ]] || host_built=yes
  ctest --preset "$preset" -j 2 --output-junit "$results" || status=1
  summary+=("$(summarise "$preset" "$results")")
done

echo
echo "== summary"
printf '%s\n' "${summary[@]}"
# The viewer's tests on X11, Wayland and the console: "x11 5 s, wayland 12 s, console 55 s".
viewer_times=$(grep -o 'name="view_[a-z0-9]*"[^>]*time="[0-9]*' build/host-test-results.xml 2>/dev/null |
  sed 's/name="view_\([^"]*\)".*time="\(.*\)/\1 \2 s/' | paste -sd , -) || true
[[ -z $viewer_times ]] || echo "Viewer tests took: ${viewer_times//,/, }"
if why=$(scripts/wine.sh --runs-32bit); then
  echo "Wine: this machine runs 32-bit programs: the whole Wine suite ran on win32, a quick run on win64."
else
  echo "Wine: 32-bit programs do not run here ($why): the whole Wine suite ran on win64 instead of win32."
fi
exit "$status"
