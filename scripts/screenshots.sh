#!/usr/bin/env bash
# Takes the README's screenshots: the real program under Wine, the pattern and
# the paused state after a click (the 32-bit build where this machine runs it,
# the 64-bit build of the same sources elsewhere); and the web page in
# Chromium at 125 % display scaling on a screen larger than its window, the
# same two states.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows wine show shots web
preset=$(scripts/windows-preset.sh)
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target quorvane
export WINEPREFIX=$PWD/build/$preset/wineprefix

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb=$!
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; kill $xvfb 2>/dev/null || true; rm -f "$display_file"' EXIT
until [[ -s $display_file ]]; do sleep 0.1; done
export DISPLAY=":$(head -n 1 "$display_file")"

scripts/wine.sh "build/$preset/quorvane.exe" &
program=$!
sleep 3
import -window root docs/screenshot-pattern.png
xdotool mousemove 400 300 click 1
sleep 1
import -window root docs/screenshot-paused.png
xdotool key Escape
wait "$program"
echo "Wrote docs/screenshot-pattern.png and docs/screenshot-paused.png ($preset build)"

cmake --preset web >/dev/null
cmake --build --preset web --target quorvane_page
node --input-type=module - "$PWD/build/web/quorvane.html" <<'EOF'
import { chromium } from 'playwright-core';
const browser = await chromium.launch({executablePath: '/usr/bin/chromium',
  args: ['--force-device-scale-factor=1.25', '--screen-info={1920x1080}', '--disable-background-networking',
         '--no-first-run']});
const page = await (await browser.newContext({viewport: null})).newPage();
const session = await page.context().newCDPSession(page);
const {windowId} = await session.send('Browser.getWindowForTarget');
await session.send('Browser.setWindowBounds', {windowId, bounds: {width: 768, height: 517}});
await page.goto(new URL(`file://${process.argv[2]}`).href);
await page.waitForFunction(() => document.getElementById('pattern').width > 0);
await page.screenshot({path: 'docs/web-pattern-125.png'});
await page.mouse.click(100, 100);
await page.screenshot({path: 'docs/web-paused-125.png'});
await browser.close();
EOF
echo "Wrote docs/web-pattern-125.png and docs/web-paused-125.png"
