// What the web page's tests and its benchmark share: the page served by python3's
// http.server on 127.0.0.1, Debian's Chromium started headless through puppeteer-core, a
// spy installed before the page's scripts that keeps its frames and its sound, and a
// reader of the PNG pictures that screenshots and the page's still are.
'use strict';
const child_process = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');
const puppeteer = require('puppeteer-core');

// Serves `root`; resolves to the server and its URL, on a port the system chose.
function serve(root) {
  return new Promise((resolve, reject) => {
    const server = child_process.spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                                   '--directory', root], {stdio: ['ignore', 'pipe', 'ignore']});
    server.stdout.on('data', d => {
      const m = /port (\d+)/.exec(String(d));
      if (m)
        resolve({server, url: `http://127.0.0.1:${m[1]}/`});
    });
    server.on('exit', () => reject(new Error('http.server ended')));
  });
}

// A fresh profile in `folder` for every browser.
function launch(folder) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           '--autoplay-policy=user-gesture-required', `--user-data-dir=${fs.mkdtempSync(path.join(folder, 'chromium-'))}`],
  });
}

// Installed before the page's own scripts: keeps the canvas's frames whose numbers are in
// `keep` (as base64 RGBA), the time of every frame, the first `samples` samples of each
// channel that SDL hands to Web Audio, and how many of its buffers were not silent.
function spy(keep, samples) {
  const record = window.spy = {frames: 0, times: [], kept: {}, left: new Float32Array(samples),
                right: new Float32Array(samples), samples: 0, loud: 0};
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function(image, ...rest) {
    put.call(this, image, ...rest);
    if (this.canvas.id !== 'canvas')
      return;
    const n = ++record.frames;
    record.times.push(performance.now());
    if (keep.includes(n)) {
      let s = '';
      for (let i = 0; i < image.data.length; i += 0x8000)
        s += String.fromCharCode.apply(null, image.data.subarray(i, i + 0x8000));
      record.kept[n] = btoa(s);
    }
  };
  const setter = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess').set;
  const create = AudioContext.prototype.createScriptProcessor;
  AudioContext.prototype.createScriptProcessor = function(...args) {
    const node = create.apply(this, args);
    Object.defineProperty(node, 'onaudioprocess', {set(handler) {
      setter.call(node, e => {
        handler(e);
        const b = e.outputBuffer, n = Math.min(b.length, record.left.length - record.samples);
        if (b.getChannelData(0).some(v => v !== 0) || b.getChannelData(1).some(v => v !== 0))
          ++record.loud;
        if (n > 0) {
          record.left.set(b.getChannelData(0).subarray(0, n), record.samples);
          record.right.set(b.getChannelData(1).subarray(0, n), record.samples);
          record.samples += n;
        }
      });
    }});
    return node;
  };
}

// A PNG of 8-bit RGB, RGBA or palette pixels, not interlaced, as {width, height, rgb}.
function read_png(png) {
  let width = 0, height = 0, type = 0, palette = null;
  const data = [];
  for (let at = 8; at < png.length;) {
    const length = png.readUInt32BE(at), kind = png.toString('latin1', at + 4, at + 8);
    const body = png.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      [width, height, type] = [body.readUInt32BE(0), body.readUInt32BE(4), body[9]];
      if (body[8] !== 8 || body[12] !== 0 || ![2, 3, 6].includes(type))
        throw new Error(`PNG of a kind not read here: depth ${body[8]}, colour type ${type}`);
    } else if (kind === 'PLTE') {
      palette = body;
    } else if (kind === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  const bytes = {2: 3, 3: 1, 6: 4}[type], row = width * bytes;
  const raw = zlib.inflateSync(Buffer.concat(data)), px = Buffer.alloc(row * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (row + 1)], line = raw.subarray(y * (row + 1) + 1, (y + 1) * (row + 1));
    for (let x = 0; x < row; ++x) {
      const a = x >= bytes ? px[y * row + x - bytes] : 0, b = y > 0 ? px[(y - 1) * row + x] : 0;
      const c = x >= bytes && y > 0 ? px[(y - 1) * row + x - bytes] : 0;
      const paeth = () => {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      };
      const predicted = [0, a, b, (a + b) >> 1, filter === 4 ? paeth() : 0][filter];
      px[y * row + x] = (line[x] + predicted) & 255;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; ++i)
    for (let ch = 0; ch < 3; ++ch)
      rgb[i * 3 + ch] = type === 3 ? palette[px[i] * 3 + ch] : px[i * bytes + ch];
  return {width, height, rgb};
}

// Frames the page has put on its canvas so far.
const frames_of = page => page.evaluate(() => spy.frames);

module.exports = {serve, launch, spy, frames_of, read_png};
