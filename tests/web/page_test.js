// The web page as a viewer meets it: served by python3's http.server on 127.0.0.1, shown
// by Debian's Chromium (headless, through puppeteer-core). Its frames must be the frames
// intro-capture renders, a screenshot of the enlarged canvas the enlarged capture frame,
// the sound handed to Web Audio the capture tool's soundtrack sample for sample; the frames
// must advance, only Escape may end it (once), a hidden page must hold picture and sound,
// and a missing picture must be named on the page.
'use strict';
const test = require('node:test');
const assert = require('node:assert');
const child_process = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const {serve, launch, spy, frames_of} = require('./harness.js');

const dist = process.env.WEB_DIST;           // the unzipped page, dist/wavelength-web
const capture = process.env.CAPTURE_EXE;     // intro-capture of the Linux build
const source_dir = process.env.SOURCE_DIR;   // holds res/ and VERSION
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'intro-web-'));
const sleep = ms => new Promise(r => setTimeout(r, ms));

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

// RGBA from the page against RGB from the capture: the number of pixels that differ.
function differing_pixels(rgba, rgb, scale = 1, stride = 320 * scale) {
  let bad = 0;
  for (let y = 0; y < 240 * scale; ++y)
    for (let x = 0; x < 320 * scale; ++x) {
      const p = (y * stride + x) * 4, q = (Math.floor(y / scale) * 320 + Math.floor(x / scale)) * 3;
      if (rgba[p] !== rgb[q] || rgba[p + 1] !== rgb[q + 1] || rgba[p + 2] !== rgb[q + 2])
        ++bad;
    }
  return bad;
}

async function wait_frames(page, n, timeout_ms) {
  await page.waitForFunction(n => spy.frames >= n, {timeout: timeout_ms, polling: 100}, n);
}

let server, browser;
test.before(async () => {
  fs.symlinkSync(path.resolve(dist), path.join(work, 'page'));
  server = await serve(work);
  browser = await launch(work);
});
test.after(async () => {
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

test('one run of the intro in the page', async t => {
  const page = await browser.newPage();
  await page.setViewport({width: 1280, height: 720});
  const keep = [1, ...[...early_frames, ...fade_frames].map(n => n + 1)];
  await page.evaluateOnNewDocument(spy, keep, 22050 * sound_seconds);
  await page.goto(server.url + 'page/index.html');
  await page.waitForFunction(() => document.body.dataset.state === 'ready', {timeout: 30000});

  await t.test('title, icon, version and the note on sound before it starts', async () => {
    assert.strictEqual(await page.title(), 'WAVELENGTH');
    const icon = await page.evaluate(() => fetch(document.querySelector('link[rel=icon]').href)
      .then(r => r.arrayBuffer()).then(b => Array.from(new Uint8Array(b))));
    assert.deepStrictEqual(Buffer.from(icon), fs.readFileSync(path.join(source_dir, 'res/intro.ico')));
    const version = fs.readFileSync(path.join(source_dir, 'VERSION'), 'utf8').trim();
    assert.strictEqual(await page.$eval('#version', e => e.textContent), version);
    assert.match(await page.$eval('#note-text', e => e.textContent), /click or press a key.*sound/i);
    assert.strictEqual(await frames_of(page), 0);
  });

  await page.keyboard.press('Space');
  const first_capture = capture_frames(1, 3);

  // The layer clears the canvas as it sets the mode (a black picture first); the intro's
  // frame n is the canvas's picture n + 1.
  await t.test('frames match the capture tool from the first one', async () => {
    await wait_frames(page, 5, 10000);
    const kept = await page.evaluate(() => spy.kept);
    assert.ok(Buffer.from(kept[1], 'base64').every((v, i) => v === (i % 4 === 3 ? 255 : 0)), 'black');
    for (const n of [1, 2, 3])
      assert.strictEqual(differing_pixels(Buffer.from(kept[n + 1], 'base64'), first_capture[n]), 0, `frame ${n}`);
  });

  await t.test('at least 15 frames a second', async () => {
    const before = await frames_of(page);
    await sleep(2000);
    const rate = ((await frames_of(page)) - before) / 2;
    console.log(`[ measured ] ${rate} frames a second`);
    assert.ok(rate >= 15, `${rate} frames a second`);
  });

  await t.test('a screenshot of the enlarged canvas is an enlarged capture frame', async () => {
    // 1280x720 holds 3 times 320x240: 960x720 in the middle, every pixel a 3x3 block.
    const box = await page.$eval('#canvas', e => { const r = e.getBoundingClientRect(); return [r.x, r.y, r.width, r.height]; });
    assert.deepStrictEqual(box, [160, 0, 960, 720]);
    assert.strictEqual(await page.$eval('#canvas', e => getComputedStyle(e).imageRendering), 'pixelated');
    const from = await frames_of(page);
    const png = await page.screenshot({clip: {x: 160, y: 0, width: 960, height: 720}, encoding: 'base64'});
    const to = await frames_of(page);
    const shot = await browser.newPage();
    const rgba = Buffer.from(await shot.evaluate(async png => {
      const image = await createImageBitmap(await (await fetch('data:image/png;base64,' + png)).blob());
      const c = new OffscreenCanvas(image.width, image.height).getContext('2d');
      c.drawImage(image, 0, 0);
      return Array.from(c.getImageData(0, 0, image.width, image.height).data);
    }, png));
    await shot.close();
    const candidates = capture_frames(Math.max(1, from - 2), to + 2);
    const best = Math.min(...Object.values(candidates).map(rgb => differing_pixels(rgba, rgb, 3)));
    assert.strictEqual(best, 0, `frames ${from}-${to}: the closest differs in ${best} pixels`);
  });

  await t.test('the sound handed to Web Audio is the capture tool\'s soundtrack', async () => {
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

  await t.test('other keys, a click and leaving full screen with Escape do not end it', async () => {
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

  await t.test('a hidden page holds picture and sound, and goes on in step', async () => {
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

  await t.test('the fade at alpha 1, 128 and 255 matches the capture tool', async () => {
    await wait_frames(page, fade_frames[2] + 2, 60000);
    const kept = await page.evaluate(() => spy.kept);
    for (const n of fade_frames) {
      const rgb = capture_frames(n, n)[n];
      assert.strictEqual(differing_pixels(Buffer.from(kept[n + 1], 'base64'), rgb), 0, `frame ${n}`);
    }
  });

  await t.test('Escape ends it once, and the page offers to start again', async () => {
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.body.dataset.state === 'ended', {timeout: 10000});
    const ended = await frames_of(page);
    await page.keyboard.press('Escape');
    await sleep(500);
    assert.strictEqual(await frames_of(page), ended, 'no frame after the end');
    assert.match(await page.$eval('#note-text', e => e.textContent), /ended.*start it again/i);
    await page.keyboard.press('Space');
    await wait_frames(page, ended + 10, 10000);
    assert.strictEqual(await page.evaluate(() => document.body.dataset.state), 'running');
  });
  await page.close();
});

test('a missing picture is named on the page', async () => {
  const copy = path.join(work, 'missing');
  fs.cpSync(dist, copy, {recursive: true});
  fs.rmSync(path.join(copy, 'res/sl3.dat'));
  const page = await browser.newPage();
  await page.goto(server.url + 'missing/index.html');
  await page.waitForFunction(() => document.body.dataset.state === 'ready', {timeout: 30000});
  await page.click('#note');
  await page.waitForFunction(() => !document.getElementById('messages').hidden, {timeout: 10000});
  assert.match(await page.$eval('#messages', e => e.textContent), /^intro: .*res\/sl3\.dat/);
  await page.close();
});

test('opened from the disk, the page says to serve it', async () => {
  const page = await browser.newPage();
  await page.goto('file://' + path.resolve(dist, 'index.html'));
  await page.waitForFunction(() => /web server/.test(document.getElementById('note-text').textContent),
                             {timeout: 10000});
  await page.close();
});
