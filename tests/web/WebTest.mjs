// The web page against the native renderer, pixel for pixel.
//
//   node WebTest.mjs core QUORVANE_CORE.wasm QUORVANE-RENDER
//   node WebTest.mjs page QUORVANE.html QUORVANE-RENDER chromium|firefox SCALE [PAGE-ZOOM [wasm-blocked]]
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import puppeteer from 'puppeteer-core';
import pngjs from 'pngjs';

const [mode, subject, render, browserName, scale, zoom = '1', variant = ''] = process.argv.slice(2);
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
  // Each browser's own display scale, no emulation: the page must find the
  // real device pixels itself. The screen is larger than any window here.
  const screenSize = [2560, 1440];
  const url = new URL(`file://${subject}`).href;
  // A profile of our own, removed even after a failure; Chromium's page zoom is a level in steps of 1.2 in it.
  const profile = mkdtempSync('/tmp/quorvane-web-test-');
  process.on('exit', () => rmSync(profile, {recursive: true, force: true}));
  mkdirSync(`${profile}/Default`);
  writeFileSync(`${profile}/Default/Preferences`,
                JSON.stringify({partition: {default_zoom_level: {x: Math.log(zoom) / Math.log(1.2)}}}));
  const common = {headless: true, defaultViewport: null, userDataDir: profile};
  const browser = await puppeteer.launch(browserName === 'firefox' ? {
    ...common, browser: 'firefox', executablePath: '/usr/bin/firefox-esr',
    env: {...process.env, MOZ_HEADLESS_WIDTH: screenSize[0], MOZ_HEADLESS_HEIGHT: screenSize[1]},
    // The page as the start-up URL: loaded later, the keys would stay in the address bar.
    args: ['--width=800', '--height=600', url],
    extraPrefsFirefox: {'layout.css.devPixelsPerPx': scale},
  } : {
    ...common, browser: 'chrome', executablePath: '/usr/bin/chromium',
    args: [`--force-device-scale-factor=${scale}`, `--screen-info={${screenSize.join('x')}}`, '--window-size=800,600',
           '--no-sandbox', '--disable-background-networking', '--disable-component-update', '--no-first-run', url],
  });
  // The start-up tab can come while it still shows about:blank, which is complete too.
  const [page] = await browser.pages();
  await page.waitForFunction(url => location.href === url && document.readyState === 'complete', {}, url);
  page.on('pageerror', error => check(false, `the page threw ${error.message}`));
  const state = () => page.evaluate(() => ({
    width: document.getElementById('pattern').width, height: document.getElementById('pattern').height,
    body: document.body.className, dialog: document.getElementById('pause').open, focus: document.activeElement.id,
  }));
  // The screenshot of the pattern once drawn for the window, in or out of full screen; at fractional
  // scales it may lose or gain the last device row or column by rounding.
  const showsPattern = async (what, fullScreen) => {
    await page.waitForFunction(fullScreen => {
      const canvas = document.getElementById('pattern');
      const fits = (pixels, cssPixels) => Math.abs(pixels - cssPixels * devicePixelRatio) <= devicePixelRatio;
      return document.body.className === '' && Boolean(document.fullscreenElement) === fullScreen &&
             fits(canvas.width, innerWidth) && fits(canvas.height, innerHeight);
    }, {}, fullScreen);
    const {width, height} = await state();
    const shot = pngjs.PNG.sync.read(await page.screenshot());
    const sizeFits = Math.abs(shot.width - width) <= 1 && Math.abs(shot.height - height) <= 1;
    check(sizeFits, `${what}: a screenshot of ${shot.width}x${shot.height} for a canvas of ${width}x${height}`);
    const differs = sizeFits ? sameAsReference(shot.data, shot.width, Math.min(width, shot.width),
                                               Math.min(height, shot.height)) : '';
    check(!differs, `${what} at ${scale}x: ${differs}`);
  };
  // The dialog's line for the canvas's size at the ratio the browser shows: the whole screen only where it is
  // the screen's size, which under Chromium's zoom is not known.
  const factsAre = async () => {
    const {width, height} = await state();
    const size = `${width} x ${height}`;
    const mapping = zoom !== '1'
      ? 'one to one; the browser\'s zoom is in effect, so the screen\'s size in device pixels is not known'
      : size === screenSize.join(' x ') ? 'one to one with the screen\'s pixels, the whole screen' : 'one to one';
    const expected = `${size} device pixels, device pixel ratio ${+(scale * zoom).toFixed(3)}: ${mapping}.`;
    const facts = await page.$eval('#facts', facts => facts.textContent);
    check(facts === expected, `the dialog says "${facts}", not "${expected}"`);
  };

  // Served by a site whose policy forbids WebAssembly: said in the page, with the browser's reason, and in
  // the dialog.
  if (variant === 'wasm-blocked') {
    const blocked = await browser.newPage();
    await blocked.setRequestInterception(true);
    blocked.on('request', request => request.respond({contentType: 'text/html', body: readFileSync(subject),
                                                       headers: {'Content-Security-Policy': "script-src 'unsafe-inline'"}}));
    await blocked.goto('http://quorvane.test/');
    const said = await blocked.waitForFunction(() => !document.getElementById('failed').hidden &&
      document.getElementById('failed').textContent).then(handle => handle.jsonValue());
    check(/^The pattern cannot be shown: this browser did not run its WebAssembly core \(.*Content Security.*[^.]\)\.$/
          .test(said), `the page says "${said}"`);
    await blocked.mouse.click(100, 100);
    const facts = await blocked.$eval('#facts', facts => facts.textContent);
    check(/: the pattern's core did not load: .*Content Security/.test(facts), `the dialog says "${facts}"`);
    await browser.close();
    process.exit(failures ? 1 : 0);
  }
  await showsPattern('the pattern at once', false);
  await browser.setWindowBounds(await page.windowId(), {width: 1024, height: 700});
  await page.waitForFunction(() => outerWidth > 1000);
  await showsPattern('the pattern after a resize', false);

  await page.mouse.click(100, 100, {button: 'right'});
  check((await state()).body === '', 'a right click does not pause');
  await page.mouse.click(100, 100);
  const paused = await state();
  check(paused.dialog && paused.body === 'paused' && paused.focus === 'ok', `a click pauses: ${JSON.stringify(paused)}`);
  await factsAre();
  await page.keyboard.press('Enter');
  await showsPattern('the pattern after Enter', true);

  // A finger pauses as it touches, not only when lifted.
  await page.touchscreen.touchStart(100, 100);
  check((await state()).body === 'paused', 'a touch pauses');
  await page.touchscreen.touchEnd();
  await factsAre();
  await page.click('#exit');
  const ended = await state();
  check(!ended.dialog && ended.body === 'ended', `Exit ends: ${JSON.stringify(ended)}`);
  await page.mouse.click(100, 100);
  await showsPattern('the pattern after the ended state', true);
  await page.mouse.click(100, 100);
  await page.keyboard.press('Escape');
  if (browserName === 'firefox') await page.keyboard.press('Escape'); // its first Esc left full screen
  check((await state()).body === 'ended', 'Esc ends as Exit does');
  await page.keyboard.press('Enter');
  await showsPattern('the pattern after Enter in the ended state', true);

  // A browser without the exact measure, as Safari is: the best guess, and
  // the dialog says so; it follows a change of the ratio alone too.
  const guessing = await browser.newPage();
  await guessing.evaluateOnNewDocument(() => {
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
  await guessing.goto(url);
  const guessed = () => guessing.waitForFunction(() => document.getElementById('pattern').width ===
    Math.round(innerWidth * devicePixelRatio), {timeout: 5000}).then(() => true, () => false);
  check(await guessed(), 'without the exact measure the canvas is the CSS size times the ratio');
  if (browserName === 'firefox') { // Chromium's emulated ratio changes no media query
    const [width, height] = await guessing.evaluate(() => [innerWidth, innerHeight]);
    await guessing.setViewport({width, height, deviceScaleFactor: 3});
    check(await guessed(), 'without the exact measure a change of the ratio alone redraws');
  }
  await guessing.mouse.click(100, 100);
  const facts = await guessing.$eval('#facts', facts => facts.textContent);
  check(/one to one is not guaranteed/.test(facts), `the dialog says the mapping is a guess: ${facts}`);
  // A size the core refuses is told for that size, not as the last size drawn.
  await guessing.evaluate(() => measure({contentRect: {width: 40000 / devicePixelRatio, height: 100}}));
  const failed = await guessing.$eval('#facts', facts => facts.textContent);
  check(/^40000 x \d+ device pixels, .*: the pattern cannot be drawn at this size\.$/.test(failed), `told: ${failed}`);
  // A canvas the browser leaves blank, as some do above their own limits, is told as refused.
  await guessing.evaluate(() => {
    CanvasRenderingContext2D.prototype.putImageData = () => {};
    measure({contentRect: {width: 300, height: 200}});
  });
  const refused = await guessing.$eval('#facts', facts => facts.textContent);
  check(/: the browser refused a canvas of this size\.$/.test(refused), `told: ${refused}`);
  await browser.close();
}
process.exit(failures ? 1 : 0);
