// What the web page's tests and its benchmark share: the page served by python3's
// http.server on 127.0.0.1, Debian's Chromium started headless through puppeteer-core, and
// a spy installed before the page's scripts that keeps its frames and its sound.
'use strict';
const child_process = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
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
// `keep` (as base64 RGBA), the time of every frame, and the first `samples` samples of each
// channel that SDL hands to Web Audio.
function spy(keep, samples) {
  const record = window.spy = {frames: 0, times: [], kept: {}, left: new Float32Array(samples),
                right: new Float32Array(samples), samples: 0};
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

// Frames the page has put on its canvas so far.
const frames_of = page => page.evaluate(() => spy.frames);

module.exports = {serve, launch, spy, frames_of};
