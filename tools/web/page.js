// The intro's web page: loads the media and the module, starts the intro on the viewer's
// click, tap or key (browsers play sound only after one), enlarges the canvas by whole device
// pixels, offers full screen and a control that ends the intro on touch screens, pauses while
// the page is hidden, and shows the intro's own messages and the files that did not arrive.
'use strict';

// The files of res/ as src/intro/screen_sound_media.h names them (a unit test compares).
const media_files = ['back.dat', 'sl0.dat', 'sl1.dat', 'sl2.dat', 'sl3.dat', 'sl4.dat', 'sl5.dat',
  'sl6.dat', 'sl7.dat', 'sl8.dat', 'sl9.dat', 'sl10.dat', 'sl11.dat', 'sl12.dat', 'sl13.dat',
  'sl14.dat', 'sl15.dat', 'theme.xm'];

const canvas = document.getElementById('canvas');
const note = document.getElementById('note');
const note_text = document.getElementById('note-text');
const messages = document.getElementById('messages');
const bar = document.getElementById('bar');

let state = 'loading';  // then 'ready', 'running', 'ended', or 'failed'; also on <body data-state>
let intro = null;       // the module instance that runs (or is ready to run) the intro
let audio = null;       // its AudioContext, made in the viewer's gesture
let media = null;       // [name, bytes or null] for each file of res/
let wasm = null;        // intro.wasm, fetched and compiled once for every run
let page_lines = [];    // the page's own lines about media files that did not arrive

function set_state(s, text) {
  state = s;
  document.body.dataset.state = s;
  note.hidden = s === 'running';
  if (text)
    note_text.textContent = text;
}

// Whether the viewer uses a touch screen: they start with a tap and end with the control.
const touch_screen = matchMedia('(pointer: coarse)');
function uses_touch() {
  return document.body.classList.contains('touch');
}
function start_words() {
  return uses_touch() ? 'Tap' : 'Click or press a key';
}
function notice_touch(yes) {
  if (yes === uses_touch())
    return;
  document.body.classList.toggle('touch', yes);
  if (state === 'ready')
    set_state('ready', start_words() + ' to start: browsers play sound only after you do.');
  else if (state === 'ended')
    set_state('ended', 'The intro has ended. ' + start_words() + ' to start it again.');
}

// Every canvas pixel a square block of whole device pixels, the largest the window holds,
// on whole device pixels: a fraction of a device pixel anywhere would blur every edge. The
// canvas's size is its backing store's, which the intro keeps at its display's (SDL empties
// it as the intro ends: the box stays as it was, and shows the still again).
function fit_canvas() {
  if (!canvas.width || !canvas.height)
    return;
  const ratio = window.devicePixelRatio || 1;
  const width = innerWidth * ratio, height = innerHeight * ratio;  // in device pixels
  const k = Math.max(1, Math.floor(Math.min(width / canvas.width, height / canvas.height)));
  const w = canvas.width * k, h = canvas.height * k;
  const left = Math.max(0, Math.round((width - w) / 2)), top = Math.max(0, Math.round((height - h) / 2));
  canvas.style.setProperty('width', w / ratio + 'px', 'important');
  canvas.style.setProperty('height', h / ratio + 'px', 'important');
  canvas.style.left = left / ratio + 'px';
  canvas.style.top = top / ratio + 'px';
}

// The ratio changes without a resize when the window moves to another monitor; the query
// for the present ratio stops matching then, and a new one is made for the next.
function fit_at_each_ratio() {
  matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`)
    .addEventListener('change', () => { fit_canvas(); fit_at_each_ratio(); }, {once: true});
}

// The reason a fetch did not bring a file: its HTTP status, or the network's error.
function why_not(response_or_error) {
  if (response_or_error instanceof Response)
    return `HTTP ${response_or_error.status} ${response_or_error.statusText}`.trim();
  return `network error (${response_or_error.message || response_or_error})`;
}

// A file the page cannot do without: its bytes, or an error whose message is one line
// naming the file and why it did not arrive.
function fetch_needed(name) {
  return fetch(name).then(r => {
    if (!r.ok)
      throw new Error(`${name} could not be fetched: ${why_not(r)}`);
    return r.arrayBuffer();
  }, e => { throw new Error(`${name} could not be fetched: ${why_not(e)}`); });
}

// The intro's script, as an element (it finds its own folder from its src); when it does
// not load, the fetch of it again tells why.
function load_script(name) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = name;
    script.onload = resolve;
    script.onerror = () => fetch(name, {cache: 'no-store'}).then(
      r => reject(new Error(`${name} could not be ${r.ok ? 'run' : 'fetched: ' + why_not(r)}`)),
      e => reject(new Error(`${name} could not be fetched: ${why_not(e)}`)));
    document.body.appendChild(script);
  });
}

// The files the intro reads from res/; a missing one is left out (the intro says so too),
// and the page names it with the reason.
function fetch_media() {
  return Promise.all(media_files.map(name =>
    fetch('res/' + name)
      .then(r => r.ok ? r.arrayBuffer().then(b => [name, new Uint8Array(b)]) : [name, null, why_not(r)],
            e => [name, null, why_not(e)])));
}

function media_lines(files) {
  const missing = files.filter(([, bytes]) => !bytes);
  if (missing.length === files.length)
    return [`res/ could not be fetched: res/${missing[0][0]}: ${missing[0][2]}, and the rest alike`];
  return missing.map(([name, , why]) => `res/${name} could not be fetched: ${why}`);
}

function show_message(line) {
  messages.hidden = false;
  messages.textContent += (messages.textContent ? '\n' : '') + line;
}

function show_page_lines() {
  messages.hidden = page_lines.length === 0;
  messages.textContent = page_lines.join('\n');
}

// Something the intro cannot start without did not arrive: one line says what.
function fail(error) {
  console.error(error);
  set_state('failed', error.message || String(error));
}

// A fresh instance of the module for each run, made ready before the viewer asks for it;
// all share the one compiled intro.wasm.
function prepare_intro() {
  return wavelength({
    canvas: canvas,
    noInitialRun: true,
    print: line => console.log(line),
    printErr: line => {
      console.warn(line);
      if (line.startsWith('intro:'))
        show_message(line);
    },
    instantiateWasm: (imports, receive) => {
      WebAssembly.instantiate(wasm, imports).then(instance => receive(instance, wasm))
        .catch(e => fail(new Error(`intro.wasm could not be started: ${e.message || e}`)));
      return {};
    },
    preRun: [module => {
      const present = media.filter(([, bytes]) => bytes);
      if (present.length === 0)
        return;  // no res/ at all: the intro says so in one line
      module.FS.mkdir('/res');
      for (const [name, bytes] of present)
        module.FS.writeFile('/res/' + name, bytes);
    }],
  }).catch(e => { throw new Error(`the intro could not be started: ${e.message || e}`); });
}

function offer_start() {
  set_state('ready', start_words() + ' to start: browsers play sound only after you do.');
}

// Escape (or the control) has ended the intro: a fresh instance is made ready to start it again.
function intro_ended() {
  if (audio.state !== 'closed')
    audio.close().catch(() => {});  // SDL closes it as it closes its sound; this is in case
  set_state('loading', 'The intro has ended.');
  prepare_intro().then(m => {
    intro = m;
    set_state('ended', 'The intro has ended. ' + start_words() + ' to start it again.');
  }, fail);
}

function start() {
  if (state !== 'ready' && state !== 'ended')
    return;
  show_page_lines();
  // SDL_mixer's 22050 Hz stream (the intro's audio_rate; a unit test compares) goes to Web
  // Audio as it is, without resampling.
  audio = new AudioContext({sampleRate: 22050});
  intro.SDL2 = {audioContext: audio};
  set_state('running');
  canvas.focus();
  // main's loop sleeps through Asyncify; the promise settles once main has returned.
  intro.ccall('main', 'number', ['number', 'number'], [0, 0], {async: true}).then(intro_ended, fail);
}

// The control for screens without Escape: the intro gets an Escape press, as from the keyboard.
function end_as_escape() {
  if (state !== 'running')
    return;
  if (document.fullscreenElement)
    document.exitFullscreen();
  for (const type of ['keydown', 'keyup'])
    window.dispatchEvent(new KeyboardEvent(type, {key: 'Escape', code: 'Escape', keyCode: 27, which: 27,
                                                  bubbles: true, cancelable: true}));
}

// What the page's sound is doing: 'running', 'suspended' (hidden page), 'closed' (the intro
// has ended), 'none' (not started).
function wavelength_audio_state() {
  return audio ? audio.state : 'none';
}

function toggle_full_screen() {
  if (document.fullscreenElement)
    document.exitFullscreen();
  else
    document.documentElement.requestFullscreen().catch(() => {});
}

// Ahead of the intro's own handlers: leaving full screen with Escape only leaves full
// screen (where the browser leaves it itself, the intro never sees that key at all).
window.addEventListener('keydown', e => {
  if (e.key === 'Escape' && document.fullscreenElement && e.isTrusted) {
    e.stopImmediatePropagation();
    e.preventDefault();
    document.exitFullscreen();
    return;
  }
  if (!e.isTrusted)
    return;
  if ((e.key === 'f' || e.key === 'F') && !e.ctrlKey && !e.altKey && !e.metaKey)
    toggle_full_screen();
  if (e.key !== 'Escape' && !e.repeat)
    start();
}, true);
document.addEventListener('click', start);
document.getElementById('full-screen').addEventListener('click', e => {
  toggle_full_screen();
  e.currentTarget.blur();
});
document.getElementById('end').addEventListener('click', e => {
  e.stopPropagation();
  end_as_escape();
});

// A tap tells that the screen is a touch screen, whatever the browser's media features say.
document.addEventListener('pointerdown', e => {
  if (e.pointerType === 'touch')
    notice_touch(true);
}, true);
touch_screen.addEventListener('change', () => notice_touch(touch_screen.matches));
notice_touch(touch_screen.matches);

// Hidden, the intro's loop holds in its sleep (src/intro/platform/pause_web.js) and the
// sound is suspended with it; shown again, both go on from where they stopped.
document.addEventListener('visibilitychange', () => {
  if (state !== 'running' || !audio)
    return;
  if (document.hidden)
    audio.suspend();
  else
    audio.resume();
});

// The bar shows while the mouse moves, and until the intro starts.
let bar_timer = 0;
document.addEventListener('mousemove', () => {
  bar.classList.add('awake');
  clearTimeout(bar_timer);
  bar_timer = setTimeout(() => bar.classList.remove('awake'), 2000);
});

window.addEventListener('resize', fit_canvas);
document.addEventListener('fullscreenchange', fit_canvas);
// The intro sets its canvas's backing store as it sets its display.
new MutationObserver(fit_canvas).observe(canvas, {attributeFilter: ['width', 'height']});
fit_at_each_ratio();
fit_canvas();

if (location.protocol === 'file:') {
  set_state('loading', 'Browsers do not load this page from the disk: serve its folder with ' +
            'a web server (python3 -m http.server, say) and open it from there.');
} else {
  const compiled = fetch_needed('intro.wasm').then(bytes => WebAssembly.compile(bytes).catch(e => {
    throw new Error(`intro.wasm could not be compiled: ${e.message}`);
  }));
  Promise.all([load_script('intro.js'), compiled, fetch_media()])
    .then(([, module, files]) => {
      wasm = module;
      media = files;
      page_lines = media_lines(files);
      show_page_lines();
      return prepare_intro();
    })
    .then(m => {
      intro = m;
      offer_start();
    }, fail);
}
