// The web page's pacing in Debian's Chromium (headless): for each run a fresh browser loads
// the page from python3's http.server on 127.0.0.1, and the run measures the time from the
// start of loading until the page is ready to start, then the periods between the frames the
// intro puts on its canvas over SECONDS after a key press starts it.
//
//   NODE_PATH=build-web/node/node_modules node bench/web_pacing.js [DIST] [RUNS] [SECONDS]
//
// DIST is the unzipped page (default dist/wavelength-web), RUNS 3, SECONDS 20.
'use strict';
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, spy} = require('../tests/web/harness.js');

const dist = path.resolve(process.argv[2] || 'dist/wavelength-web');
const runs = Number(process.argv[3] || 3);
const seconds = Number(process.argv[4] || 20);
const median = v => { const s = [...v].sort((a, b) => a - b); return s[Math.floor(s.length / 2)]; };

(async () => {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'intro-web-bench-'));
  fs.symlinkSync(dist, path.join(work, 'page'));
  const server = await serve(work);
  const results = [];
  for (let run = 1; run <= runs; ++run) {
    const browser = await launch(work);
    const page = await browser.newPage();
    await page.setViewport({width: 1280, height: 720});
    await page.evaluateOnNewDocument(spy, [], 0);
    await page.goto(server.url + 'page/index.html', {waitUntil: 'domcontentloaded'});
    await page.waitForFunction(() => document.body && document.body.dataset.state === 'ready',
                               {polling: 'raf', timeout: 30000});
    const ready = await page.evaluate(() => performance.now());
    await page.keyboard.press('Space');
    await new Promise(r => setTimeout(r, seconds * 1000));
    const times = await page.evaluate(() => spy.times);
    await browser.close();
    const periods = times.slice(1).map((t, i) => t - times[i]);
    const r = {ready_ms: ready, frames: times.length, median_period_ms: median(periods),
               frames_per_s: (times.length - 1) / ((times[times.length - 1] - times[0]) / 1000),
               longest_period_ms: Math.max(...periods)};
    results.push(r);
    console.log(`run ${run}: ready ${r.ready_ms.toFixed(0)} ms, ${r.frames} frames, median period ` +
                `${r.median_period_ms.toFixed(1)} ms, ${r.frames_per_s.toFixed(1)} frames/s, ` +
                `longest ${r.longest_period_ms.toFixed(0)} ms`);
  }
  server.server.kill();
  fs.rmSync(work, {recursive: true, force: true});
  console.log(`medians of ${runs} runs: ready ${median(results.map(r => r.ready_ms)).toFixed(0)} ms, ` +
              `period ${median(results.map(r => r.median_period_ms)).toFixed(1)} ms, ` +
              `${median(results.map(r => r.frames_per_s)).toFixed(1)} frames/s`);
})().catch(e => { console.error(e); process.exit(1); });
