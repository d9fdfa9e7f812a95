// The web page as a viewer meets it: served by python3's http.server on 127.0.0.1, shown
// by Debian's Chromium (headless, through puppeteer-core). Its frames must be the frames
// intro-capture renders, screenshots of the enlarged canvas at devicePixelRatio 1, 1.25,
// 1.5, 2 and 3 the capture frame enlarged by the largest whole number of device pixels,
// centred; the sound handed to Web Audio the capture tool's soundtrack sample for sample;
// the frames must advance, only Escape (or the control on a touch screen) may end it
// (once), a hidden page must hold picture and sound, and a file that does not arrive must
// be named on the page with its HTTP status or the network's error.
'use strict';
const {test, describe, it, before, after} = require('node:test');
const assert = require('node:assert');
const child_process = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, spy, frames_of, read_png} = require('./harness.js');

const dist = process.env.WEB_DIST;           // the unzipped page, dist/wavelength-web
const capture = process.env.CAPTURE_EXE;     // intro-capture of the Linux build
const source_dir = process.env.SOURCE_DIR;   // holds res/ and VERSION
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'intro-web-'));
const sleep = ms => new Promise(r => setTimeout(r, ms));
// The browser applies a new size or devicePixelRatio as it next renders the page.
const rendered = page => page.evaluate(() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r))));
// A length in device pixels from one of CSS pixels, which Chromium lays out in 64ths of a
// CSS pixel (and snaps to device pixels as it paints): the whole number when it is that close.
const device_pixels = (css, ratio) => Math.abs(css * ratio - Math.round(css * ratio)) < 0.05 ? Math.round(css * ratio) : css * ratio;

// ---- what the page is compared with ---------------------------------------------------

// intro-capture's frames FIRST..LAST as 320x240 RGB arrays, keyed by frame number.
function capture_frames(first, last) {
  const out = path.join(work, `frames-${first}-${last}`);
  child_process.execFileSync(capture, ['--frames', `${first}-${last}`, '--out', out],
                             {cwd: source_dir, stdio: 'ignore'});
  const frames = {};
  for (let n = first; n <= last; ++n) {
    const bmp = fs.readFileSync(path.join(out, `frame${String(n).padStart(6, '0')}.bmp`));
    const offset = bmp.readUInt32LE(10), height = bmp.readInt32LE(22);
    const rgb = Buffer.alloc(320 * 240 * 3);
    for (let y = 0; y < 240; ++y) {
      const row = offset + (height > 0 ? 239 - y : y) * 960;
      for (let x = 0; x < 320; ++x)
        for (let c = 0; c < 3; ++c)
          rgb[(y * 320 + x) * 3 + c] = bmp[row + x * 3 + 2 - c];
    }
    frames[n] = rgb;
  }
  return frames;
}

// The capture tool's soundtrack from its start: SECONDS of interleaved 16-bit stereo.
function capture_sound(seconds) {
  const video = path.join(work, 'sound.mkv'), raw = path.join(work, 'sound.raw');
  child_process.execFileSync(capture, ['--video', video, '--lossless', '--seconds', String(seconds)],
                             {cwd: source_dir, stdio: 'ignore'});
  child_process.execFileSync('ffmpeg', ['-v', 'error', '-y', '-i', video, '-map', '0:a', '-f', 's16le',
                                        '-c:a', 'pcm_s16le', raw]);
  const bytes = fs.readFileSync(raw);
  return new Int16Array(bytes.buffer, bytes.byteOffset, bytes.length / 2);
}

// Pixels from the page (RGBA, or RGB with `bytes` 3) against RGB from the capture, enlarged
// `scale` times with its top left at pixel `first` of the page's: the number that differ.
function differing_pixels(rgba, rgb, scale = 1, stride = 320 * scale, first = 0, bytes = 4) {
  let bad = 0;
  for (let y = 0; y < 240 * scale; ++y)
    for (let x = 0; x < 320 * scale; ++x) {
      const p = (first + y * stride + x) * bytes, q = (Math.floor(y / scale) * 320 + Math.floor(x / scale)) * 3;
      if (rgba[p] !== rgb[q] || rgba[p + 1] !== rgb[q + 1] || rgba[p + 2] !== rgb[q + 2])
        ++bad;
    }
  return bad;
}

// A screenshot of the whole window in device pixels: every source pixel must be a block of
// `scale` x `scale` device pixels equal to one of the capture frames around it, the picture
// centred on whole device pixels (within half a pixel where the margins cannot be equal).
async function check_enlarged(page, scale) {
  const ratio = await page.evaluate(() => devicePixelRatio);
  const box = await page.$eval('#canvas', e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; });
  const [left, top, width, height] = box.map(v => device_pixels(v, ratio));
  const from = await frames_of(page);
  const shot = read_png(await page.screenshot());
  const to = await frames_of(page);
  const where = `${shot.width}x${shot.height} device pixels at ratio ${ratio}`;
  assert.deepStrictEqual([width, height], [320 * scale, 240 * scale], where);
  for (const [at, margins] of [[left, shot.width - 320 * scale], [top, shot.height - 240 * scale]]) {
    assert.ok(Number.isInteger(at), `${where}: the picture starts at ${at}, between device pixels`);
    assert.ok(Math.abs(at - margins / 2) <= 0.5, `${where}: the picture starts at ${at}, not in the middle`);
  }
  const first = top * shot.width + left;
  const candidates = capture_frames(Math.max(1, from - 2), to + 2);
  const best = Math.min(...Object.values(candidates).map(rgb => differing_pixels(shot.rgb, rgb, scale, shot.width, first, 3)));
  assert.strictEqual(best, 0, `${where}, frames ${from}-${to}: the closest differs in ${best} pixels`);
}

// After Escape or the control: the page offers to start again, no frame follows, and the
// sound stops with the intro (nothing but silence is handed to Web Audio any more).
async function check_ended(page) {
  await page.waitForFunction(() => document.body.dataset.state === 'ended', {timeout: 10000});
  const ended = await page.evaluate(() => [spy.frames, spy.loud]);
  await sleep(500);
  assert.deepStrictEqual(await page.evaluate(() => [spy.frames, spy.loud]), ended, 'no frame and no sound after the end');
  assert.strictEqual(await page.evaluate(() => wavelength_audio_state()), 'closed');
  return ended[0];
}

async function wait_frames(page, n, timeout_ms) {
  await page.waitForFunction(n => spy.frames >= n, {timeout: timeout_ms, polling: 100}, n);
}

// A new page at `viewport` with the spy (keeping frames `keep` and `samples` samples), once
// it is ready to start.
async function ready_page(viewport, keep = [], samples = 0) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(spy, keep, samples);
  await page.goto(server.url + 'page/index.html');
  await page.waitForFunction(() => document.body.dataset.state === 'ready', {timeout: 30000});
  return page;
}

let server, browser;
before(async () => {
  fs.symlinkSync(path.resolve(dist), path.join(work, 'page'));
  server = await serve(work);
  browser = await launch(work);
});
after(async () => {
  if (browser)
    await browser.close();
  if (server)
    server.server.kill();
  fs.rmSync(work, {recursive: true, force: true});
});

// The fader's first blit (frame 275) is at alpha 1; it reaches 128 at 402 and 255 at 529.
const fade_frames = [275, 402, 529];
const early_frames = [1, 2, 3];
const sound_seconds = 3;

// One run of the page, which the cases below take through its start, its frames and sound,
// keys, a hidden tab and the fade, to its end.
describe('one run of the intro in the page', () => {
  let page, first_capture;
  before(async () => {
    page = await ready_page({width: 1280, height: 720},
                            [1, ...[...early_frames, ...fade_frames].map(n => n + 1)], 22050 * sound_seconds);
  });
  after(() => page.close());

  it('title, icon and version', async () => {
    assert.strictEqual(await page.title(), 'WAVELENGTH');
    const icon = await page.evaluate(() => fetch(document.querySelector('link[rel=icon]').href)
      .then(r => r.arrayBuffer()).then(b => Array.from(new Uint8Array(b))));
    assert.deepStrictEqual(Buffer.from(icon), fs.readFileSync(path.join(source_dir, 'res/intro.ico')));
    const version = fs.readFileSync(path.join(source_dir, 'VERSION'), 'utf8').trim();
    assert.strictEqual(await page.$eval('#version', e => e.textContent), version);
  });

  it('before it starts, the note asks for a click or a key for the sound, and no frame is drawn', async () => {
    assert.match(await page.$eval('#note-text', e => e.textContent), /click or press a key.*sound/i);
    assert.strictEqual(await frames_of(page), 0);
  });

  it('a link preview of title, description and a still, which the canvas shows until it starts', async () => {
    const meta = await page.evaluate(() => Object.fromEntries(
      [...document.querySelectorAll('meta[property^="og:"], meta[name=description]')]
        .map(e => [e.getAttribute('property') || e.name, e.content])));
    assert.strictEqual(meta['og:title'], 'WAVELENGTH');
    assert.ok(meta.description.length > 40, meta.description);
    assert.strictEqual(meta['og:description'], meta.description);
    const still = read_png(fs.readFileSync(path.join(dist, meta['og:image'])));
    assert.deepStrictEqual([still.width, still.height].map(String), [meta['og:image:width'], meta['og:image:height']]);
    assert.deepStrictEqual([still.width, still.height], [320, 240]);
    assert.ok(fs.statSync(path.join(dist, meta['og:image'])).size < 32768, 'a few kB');
    const shown = await page.$eval('#canvas', e => getComputedStyle(e).backgroundImage);
    assert.strictEqual(shown, `url("${new URL(meta['og:image'], page.url())}")`);
  });

  // Started with a key, as a viewer starts it.
  describe('started', () => {
    before(async () => {
      await page.keyboard.press('Space');
      first_capture = capture_frames(1, 3);
    });

    // The layer clears the canvas as it sets the mode (a black picture first); the intro's
    // frame n is the canvas's picture n + 1.
    it('frames match the capture tool from the first one', async () => {
      await wait_frames(page, 5, 10000);
      const kept = await page.evaluate(() => spy.kept);
      assert.ok(Buffer.from(kept[1], 'base64').every((v, i) => v === (i % 4 === 3 ? 255 : 0)), 'black');
      for (const n of [1, 2, 3])
        assert.strictEqual(differing_pixels(Buffer.from(kept[n + 1], 'base64'), first_capture[n]), 0, `frame ${n}`);
    });

    it('at least 15 frames a second', async () => {
      const before = await frames_of(page);
      await sleep(2000);
      const rate = ((await frames_of(page)) - before) / 2;
      console.log(`[ measured ] ${rate} frames a second`);
      assert.ok(rate >= 15, `${rate} frames a second`);
    });

    it('a screenshot of the enlarged canvas is an enlarged capture frame', async () => {
      // 1280x720 holds 3 times 320x240: 960x720 in the middle, every pixel a 3x3 block.
      assert.strictEqual(await page.$eval('#canvas', e => getComputedStyle(e).imageRendering), 'pixelated');
      await check_enlarged(page, 3);
    });

    it('the sound handed to Web Audio is the capture tool\'s soundtrack', async () => {
      await page.waitForFunction(n => spy.samples >= n, {timeout: 20000, polling: 200}, 22050 * sound_seconds);
      const [left, right] = await page.evaluate(() => [Array.from(spy.left), Array.from(spy.right)]);
      const ref = capture_sound(sound_seconds);
      let differ = 0, loud = 0;
      for (let i = 0; i < left.length; ++i) {
        const l = Math.round(left[i] * 32768), r = Math.round(right[i] * 32768);
        if (l !== ref[2 * i] || r !== ref[2 * i + 1])
          ++differ;
        if (Math.abs(l) > 1000)
          ++loud;
      }
      assert.ok(loud > 1000, 'the music plays');
      assert.strictEqual(differ, 0, `${differ} of ${left.length} stereo samples differ`);
    });

    it('other keys, a click and leaving full screen with Escape do not end it', async () => {
      for (const key of ['a', 'Enter', 'Space', 'q'])
        await page.keyboard.press(key);
      await page.click('#full-screen');
      await page.waitForFunction(() => document.fullscreenElement !== null, {timeout: 5000});
      await page.keyboard.press('Escape');
      await page.waitForFunction(() => document.fullscreenElement === null, {timeout: 5000});
      const before = await frames_of(page);
      await sleep(500);
      assert.ok((await frames_of(page)) > before, 'the frames go on');
      assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running');
    });

    it('a hidden page holds picture and sound, and goes on in step', async () => {
      const other = await browser.newPage();
      await other.bringToFront();
      await sleep(300);
      const held = await page.evaluate(() => [document.hidden, spy.frames, spy.samples]);
      await sleep(1500);
      const after = await page.evaluate(() => [spy.frames, wavelength_audio_state()]);
      await page.bringToFront();
      await other.close();
      assert.ok(held[0], 'the page is hidden');
      assert.ok(after[0] - held[1] <= 1, `${after[0] - held[1]} frames while hidden`);
      assert.strictEqual(after[1], 'suspended');
      const before = await frames_of(page);
      await sleep(1000);
      assert.ok((await frames_of(page)) - before >= 15, 'the frames go on once shown');
      assert.strictEqual(await page.evaluate(() => wavelength_audio_state()), 'running');
    });

    it('the fade at alpha 1, 128 and 255 matches the capture tool', async () => {
      await wait_frames(page, fade_frames[2] + 2, 60000);
      const kept = await page.evaluate(() => spy.kept);
      for (const n of fade_frames) {
        const rgb = capture_frames(n, n)[n];
        assert.strictEqual(differing_pixels(Buffer.from(kept[n + 1], 'base64'), rgb), 0, `frame ${n}`);
      }
    });

    let ended;
    it('Escape ends it, once', async () => {
      await page.keyboard.press('Escape');
      ended = await check_ended(page);
      await page.keyboard.press('Escape');
      await sleep(500);
      assert.strictEqual(await frames_of(page), ended, 'no frame after the end');
    });

    it('ended, the page offers to start it again, and a key does', async () => {
      assert.match(await page.$eval('#note-text', e => e.textContent), /ended.*start it again/i);
      await page.keyboard.press('Space');
      await wait_frames(page, ended + 10, 10000);
      assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running');
    });
  });
});

test('crisp at devicePixelRatio 1.25, 1.5 and 2, started at 1.25', async () => {
  // In device pixels: 1920x1080 holds 4 times 320x240 (1280x960), 2560x1600 6 times.
  const page = await ready_page({width: 1536, height: 864, deviceScaleFactor: 1.25});  // a 1920x1080 laptop at 125 %
  await page.keyboard.press('Space');
  await wait_frames(page, 10, 10000);
  await check_enlarged(page, 4);
  for (const [width, height, deviceScaleFactor, scale] of [[1280, 720, 1.5, 4], [1280, 800, 2, 6]]) {
    await page.setViewport({width, height, deviceScaleFactor});
    await rendered(page);
    await check_enlarged(page, scale);
  }
  await page.close();
});

// The canvas as the page fits it, before the intro starts: [CSS width, height, devicePixelRatio,
// enlargement], the largest whole number of device pixels that the window holds. Each size
// differs from the one before: Chromium's emulation of a ratio applies it without the events
// a real change of monitor or zoom sends (resize, or the media query's change).
const fits = [
  [1000, 700, 1, 2],     // 640x480: 3 times would be 720 high
  [1536, 864, 1.25, 4],  // a 1920x1080 laptop at 125 %
  [1280, 720, 1.5, 4],   // the same at 150 %
  [1366, 768, 1.25, 4],  // 1707.5x960
  [1600, 900, 1.25, 4],  // 2000x1125: 4.69 times in height, never rounded up to 5
  [1707, 960, 1.5, 6],   // 2560.5x1440
  [1280, 800, 2, 6],     // 2560x1600
  [390, 844, 3, 3],      // a phone, portrait: 1170x2532
  [1280, 720, 1, 3],
];

test('the canvas is enlarged by whole device pixels at any size and ratio', async () => {
  const page = await browser.newPage();
  await page.goto(server.url + 'page/index.html');
  for (const [width, height, deviceScaleFactor, scale] of fits) {
    await page.setViewport({width, height, deviceScaleFactor});
    await rendered(page);
    const [x, y, w, h] = await page.$eval('#canvas', e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; });
    const device = v => device_pixels(v, deviceScaleFactor);
    const where = `${width}x${height} at ${deviceScaleFactor}`;
    assert.deepStrictEqual([w, h].map(device), [320 * scale, 240 * scale], where);
    assert.ok(Number.isInteger(device(x)) && Number.isInteger(device(y)), `${where}: at ${x}, ${y}`);
    assert.ok(Math.abs(device(x) - (width * deviceScaleFactor - 320 * scale) / 2) <= 0.5, `${where}: left ${x}`);
    assert.ok(Math.abs(device(y) - (height * deviceScaleFactor - 240 * scale) / 2) <= 0.5, `${where}: top ${y}`);
  }
  await page.close();
});

test('on a phone a tap starts it, the control ends it as Escape does, and a tap starts it again', async () => {
  const page = await ready_page({width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true});
  assert.match(await page.$eval('#note-text', e => e.textContent), /^tap to start/i);
  assert.strictEqual(await page.$('#end').then(e => e.boundingBox()), null, 'no control before it starts');
  await page.touchscreen.tap(195, 422);
  await wait_frames(page, 10, 10000);
  assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running');
  // What the bar says to a touch user instead of Escape.
  const bar = await page.$eval('#bar', e => e.innerText);
  assert.doesNotMatch(bar, /escape/i);
  assert.match(bar, /end.*ends the intro/i);
  await check_enlarged(page, 3);
  const end = await page.$('#end');
  assert.ok(await end.boundingBox(), 'the control shows');
  await end.tap();
  const ended = await check_ended(page);
  assert.match(await page.$eval('#note-text', e => e.textContent), /ended.*tap to start it again/i);
  await end.tap().catch(() => {});  // hidden now: nothing to tap, nothing happens
  await sleep(300);
  assert.strictEqual(await frames_of(page), ended);
  await page.touchscreen.tap(195, 422);
  await wait_frames(page, ended + 10, 10000);
  assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running');
  await page.close();
});

// The page served from a copy of itself without `file` (or with `bytes` in its place); resolves
// to the page, at 1280x720, once its note no longer says it is loading.
async function without(file, bytes = null) {
  const copy = path.join(work, (bytes ? 'other-' : 'without-') + path.basename(file));
  fs.cpSync(dist, copy, {recursive: true});
  if (bytes)
    fs.writeFileSync(path.join(copy, file), bytes);
  else
    fs.rmSync(path.join(copy, file));
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 720});
  await page.goto(`${server.url}${path.basename(copy)}/index.html`);
  await page.waitForFunction(() => !/Loading/.test(document.getElementById('note-text').textContent), {timeout: 30000});
  return page;
}

test('without intro.wasm or intro.js the page names it and its HTTP status, over the still', async () => {
  const page = await without('intro.wasm');
  assert.strictEqual(await page.$eval('#note-text', e => e.textContent), 'intro.wasm could not be fetched: HTTP 404 File not found');
  // The still, enlarged 3 times like the intro.
  const shot = read_png(await page.screenshot({clip: {x: 160, y: 0, width: 960, height: 720}}));
  const still = read_png(fs.readFileSync(path.join(dist, 'still.png')));
  const over = await page.$$eval('#note, #bar', es => es.map(e => { const r = e.getBoundingClientRect(); return [r.x - 160, r.y, r.right - 160, r.bottom]; }));
  let differ = 0;
  for (let y = 0; y < 720; y += 3)
    for (let x = 0; x < 960; x += 3) {
      const covered = over.some(([l, t, r, b]) => x + 1 > l && x < r && y + 1 > t && y < b);
      const p = (y * 960 + x) * 3, q = (Math.floor(y / 3) * 320 + Math.floor(x / 3)) * 3;
      if (!covered && !shot.rgb.subarray(p, p + 3).equals(still.rgb.subarray(q, q + 3)))
        ++differ;
    }
  assert.strictEqual(differ, 0, 'the still shows');
  await page.close();
  const no_js = await without('intro.js');
  assert.strictEqual(await no_js.$eval('#note-text', e => e.textContent), 'intro.js could not be fetched: HTTP 404 File not found');
  await no_js.close();
});

test('an intro.wasm that is not the intro\'s is named on the page', async () => {
  // A valid WebAssembly module, but an empty one: nothing that intro.js needs.
  const page = await without('intro.wasm', Buffer.from([0, 0x61, 0x73, 0x6d, 1, 0, 0, 0]));
  assert.match(await page.$eval('#note-text', e => e.textContent), /^intro\.wasm could not be started: ./);
  await page.close();
});

test('a missing picture is named on the page', async () => {
  const copy = path.join(work, 'missing');
  fs.cpSync(dist, copy, {recursive: true});
  fs.rmSync(path.join(copy, 'res/sl3.dat'));
  const page = await browser.newPage();
  await page.goto(server.url + 'missing/index.html');
  await page.waitForFunction(() => document.body.dataset.state === 'ready', {timeout: 30000});
  assert.strictEqual(await page.$eval('#messages', e => e.textContent), 'res/sl3.dat could not be fetched: HTTP 404 File not found');
  await page.click('#note');
  await page.waitForFunction(() => /\nintro:/.test(document.getElementById('messages').textContent), {timeout: 10000});
  assert.match(await page.$eval('#messages', e => e.textContent), /\nintro: .*res\/sl3\.dat/);
  await page.close();
});

test('music the network fails to bring is named on the page with the network\'s error', async () => {
  const page = await browser.newPage();
  await page.setRequestInterception(true);
  page.on('request', r => r.url().endsWith('/res/theme.xm') ? r.abort('connectionreset') : r.continue());
  await page.goto(server.url + 'page/index.html');
  await page.waitForFunction(() => document.body.dataset.state === 'ready', {timeout: 30000});
  assert.match(await page.$eval('#messages', e => e.textContent), /^res\/theme\.xm could not be fetched: network error \(.+\)$/);
  await page.close();
});

test('opened from the disk, the page says to serve it', async () => {
  const page = await browser.newPage();
  await page.goto('file://' + path.resolve(dist, 'index.html'));
  await page.waitForFunction(() => /web server/.test(document.getElementById('note-text').textContent),
                             {timeout: 10000});
  await page.close();
});
