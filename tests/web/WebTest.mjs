// The web page against the native renderer, pixel for pixel.
//
//   node WebTest.mjs core QUORVANE_CORE.wasm QUORVANE-RENDER
//   node WebTest.mjs page QUORVANE.html QUORVANE-RENDER SCALE
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { chromium } from 'playwright-core';
import pngjs from 'pngjs';

const [mode, subject, render, scale] = process.argv.slice(2);
let failures = 0;
function check(ok, what) {
  if (!ok) {
    console.error(`FAILED: ${what}`);
    ++failures;
  }
}

// quorvane-render's image as RGBA bytes.
function reference(width, height) {
  return pngjs.PNG.sync.read(execFileSync(render, [`${width}x${height}`, '-o', '-'], {maxBuffer: 1 << 30})).data;
}

// Compares the width x height pixels at the top left of an RGBA image
// `stride` pixels wide with the reference; says where they first differ.
function sameAsReference(pixels, stride, width, height) {
  const expected = reference(width, height);
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const at = 4 * (y * stride + x);
      const want = 4 * (y * width + x);
      if (pixels.readUInt32BE(at) !== expected.readUInt32BE(want)) {
        return `${width}x${height} differs first at (${x}, ${y}): ${pixels.readUInt32BE(at).toString(16)}, ` +
               `expected ${expected.readUInt32BE(want).toString(16)}`;
      }
    }
  }
  return '';
}

if (mode === 'core') {
  const {instance} = await WebAssembly.instantiate(readFileSync(subject), {env: {emscripten_notify_memory_growth() {}}});
  const core = instance.exports;
  core._initialize();
  // Odd sizes, one too narrow for any field line, and larger ones that make memory grow.
  for (const [width, height] of [[1, 1], [21, 40], [23, 17], [301, 203], [1023, 767], [1920, 1080], [3840, 2160]]) {
    const pointer = core.RenderPattern(width, height);
    const pixels = Buffer.from(core.memory.buffer, pointer, width * height * 4);
    const differs = pointer ? sameAsReference(pixels, width, width, height) : 'no pixels';
    check(!differs, differs || `${width}x${height}`);
  }
  for (const [width, height] of [[0, 10], [10, 0], [32768, 1], [32767, 32767]]) {
    check(core.RenderPattern(width, height) === 0, `${width}x${height} is refused`);
  }
} else {
  // Chromium's own scale factor, no emulation: the page must find the real
  // device pixels itself.
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    args: [`--force-device-scale-factor=${scale}`, '--window-size=800,600', '--disable-background-networking',
           '--disable-component-update', '--no-first-run'],
  });
  const page = await (await browser.newContext({viewport: null})).newPage();
  page.on('pageerror', error => check(false, `the page threw ${error.message}`));
  const state = () => page.evaluate(() => ({
    width: document.getElementById('pattern').width, height: document.getElementById('pattern').height,
    body: document.body.className, dialog: document.getElementById('pause').open, focus: document.activeElement.id,
  }));
  // The screenshot of the pattern once drawn; at fractional scales it may
  // lose or gain the last device row or column by rounding.
  const showsPattern = async what => {
    await page.waitForFunction(() => document.getElementById('pattern').width > 0 && document.body.className === '');
    const {width, height} = await state();
    const shot = pngjs.PNG.sync.read(await page.screenshot());
    const sizeFits = Math.abs(shot.width - width) <= 1 && Math.abs(shot.height - height) <= 1;
    check(sizeFits, `${what}: a screenshot of ${shot.width}x${shot.height} for a canvas of ${width}x${height}`);
    const differs = sizeFits ? sameAsReference(shot.data, shot.width, Math.min(width, shot.width),
                                               Math.min(height, shot.height)) : '';
    check(!differs, `${what} at ${scale}x: ${differs}`);
  };

  await page.goto(new URL(`file://${subject}`).href);
  await showsPattern('the pattern at once');
  const session = await page.context().newCDPSession(page);
  const {windowId} = await session.send('Browser.getWindowForTarget');
  await session.send('Browser.setWindowBounds', {windowId, bounds: {width: 1366, height: 768}});
  await page.waitForFunction(() => innerWidth > 1000);
  await showsPattern('the pattern after a resize');

  await page.mouse.click(100, 100);
  const paused = await state();
  check(paused.dialog && paused.body === 'paused' && paused.focus === 'ok', `a click pauses: ${JSON.stringify(paused)}`);
  check(/^\d+ x \d+ device pixels, device pixel ratio [\d.]+: one to one/.test(await page.textContent('#facts')),
        `the dialog tells the size and ratio: ${await page.textContent('#facts')}`);
  await page.keyboard.press('Enter');
  await showsPattern('the pattern after Enter');

  await page.mouse.click(100, 100);
  await page.click('#exit');
  const ended = await state();
  check(!ended.dialog && ended.body === 'ended', `Exit ends: ${JSON.stringify(ended)}`);
  await page.mouse.click(100, 100);
  await showsPattern('the pattern after the ended state');
  await page.mouse.click(100, 100);
  await page.keyboard.press('Escape');
  check((await state()).body === 'ended', 'Esc ends as Exit does');

  // A browser without the exact measure, as Safari is: the best guess, and
  // the dialog says so.
  const guessing = await (await browser.newContext({viewport: null})).newPage();
  await guessing.addInitScript(() => {
    window.ResizeObserver = class extends ResizeObserver {
      constructor(callback) { super(entries => callback(entries.map(entry => ({contentRect: entry.contentRect})))); }
      observe(target, options) {
        if (options) {
          throw new TypeError('no such box');
        }
        super.observe(target);
      }
    };
  });
  await guessing.goto(new URL(`file://${subject}`).href);
  await guessing.waitForFunction(() => document.getElementById('pattern').width > 0);
  const [width, guess] = await guessing.evaluate(() => [document.getElementById('pattern').width,
                                                        Math.round(innerWidth * devicePixelRatio)]);
  check(width === guess, `without the exact measure the canvas is ${width} wide, not ${guess}`);
  await guessing.mouse.click(100, 100);
  check(/one to one is not guaranteed/.test(await guessing.textContent('#facts')),
        `the dialog says the mapping is a guess: ${await guessing.textContent('#facts')}`);
  await browser.close();
}
process.exit(failures ? 1 : 0);
