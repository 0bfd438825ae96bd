// The web page's speed, each figure against a baseline from the same run.
//
//   node WebBench.mjs core QUORVANE_CORE.wasm
//     the median and best time of RenderPattern in WebAssembly at each size
//   node WebBench.mjs page QUORVANE.html [ROUNDS]
//     the median time from navigation to the first exact frame, against the
//     same page putting an all-black buffer of the same size instead
import { readFileSync } from 'node:fs';
import { chromium } from 'playwright-core';

const [mode, subject, rounds = '15'] = process.argv.slice(2);
const sizes = [[1920, 1080], [3840, 2160]];
const median = values => values.sort((a, b) => a - b)[values.length >> 1];

if (mode === 'core') {
  const {instance} = await WebAssembly.instantiate(readFileSync(subject), {env: {emscripten_notify_memory_growth() {}}});
  const core = instance.exports;
  core._initialize();
  for (const [width, height] of sizes) {
    // As many frames as the native benchmark draws, more or less: a busy
    // spell of the machine then rarely covers them all.
    const times = [];
    for (let i = 0; i < 500; ++i) {
      const start = performance.now();
      core.RenderPattern(width, height);
      times.push(performance.now() - start);
    }
    console.log(`wasm ${width}x${height} ${median(times).toFixed(3)} ${Math.min(...times).toFixed(3)} ms`);
  }
} else {
  // Notes when the first full-size frame has been put and the browser has
  // gone on to the next frame. With ?black the core puts an all-black buffer
  // of the same size instead: the baseline.
  const timing = () => {
    if (location.search === '?black') {
      const instantiate = WebAssembly.instantiate;
      WebAssembly.instantiate = async (...args) => {
        const result = await instantiate(...args);
        const exports = result.instance.exports;
        const RenderPattern = (width, height) => {
          const pointer = exports.memory.buffer.byteLength;
          exports.memory.grow(Math.ceil(width * height * 4 / 65536));
          new Int32Array(exports.memory.buffer, pointer, width * height).fill(0xFF000000 | 0);
          return pointer;
        };
        return {module: result.module, instance: {exports: {...exports, RenderPattern}}};
      };
    }
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
      put.call(this, image, ...rest);
      if (image.width === innerWidth * devicePixelRatio && window.firstFrame === undefined) {
        requestAnimationFrame(() => { window.firstFrame = performance.now(); });
      }
    };
  };
  const browser = await chromium.launch({executablePath: '/usr/bin/chromium',
    args: ['--force-device-scale-factor=1', '--disable-background-networking', '--disable-component-update',
           '--no-first-run']});
  const page = await (await browser.newContext({viewport: null})).newPage();
  await page.addInitScript(timing);
  const session = await page.context().newCDPSession(page);
  const {windowId} = await session.send('Browser.getWindowForTarget');
  const url = new URL(`file://${subject}`).href;
  await page.goto(url);
  for (const [width, height] of sizes) {
    // The window's frame around the viewport, measured, then made up for.
    await session.send('Browser.setWindowBounds', {windowId, bounds: {width, height}});
    const inner = await page.evaluate(() => [innerWidth, innerHeight]);
    await session.send('Browser.setWindowBounds',
                       {windowId, bounds: {width: 2 * width - inner[0], height: 2 * height - inner[1]}});
    const times = {pattern: [], black: []};
    for (let round = 0; round < Number(rounds); ++round) {
      for (const kind of ['pattern', 'black']) {
        await page.goto(kind === 'black' ? `${url}?black` : url);
        await page.waitForFunction(() => window.firstFrame !== undefined);
        times[kind].push(await page.evaluate(() => window.firstFrame));
      }
    }
    const [pattern, black] = [median(times.pattern), median(times.black)];
    const viewport = await page.evaluate(() => `${innerWidth}x${innerHeight}`);
    console.log(`page ${viewport}: navigation to first exact frame ${pattern.toFixed(1)} ms, ` +
                `all-black buffer ${black.toFixed(1)} ms, ratio ${(pattern / black).toFixed(2)}`);
  }
  await browser.close();
}
