// The intro's web page: loads the media and the module, starts the intro on the viewer's
// click or key (browsers play sound only after one), enlarges the canvas by whole numbers,
// offers full screen, pauses while the page is hidden and shows the intro's own messages.
'use strict';

const media_files = ['back.dat'];
for (let i = 0; i < 16; ++i)
  media_files.push('sl' + i + '.dat');
media_files.push('theme.xm');

const canvas = document.getElementById('canvas');
const note = document.getElementById('note');
const note_text = document.getElementById('note-text');
const messages = document.getElementById('messages');
const bar = document.getElementById('bar');

let state = 'loading';  // then 'ready', 'running', 'ended'; also on <body data-state>
let intro = null;       // the module instance that runs (or is ready to run) the intro
let audio = null;       // its AudioContext, made in the viewer's gesture
let media = null;       // [name, bytes or null] for each file of res/

function set_state(s, text) {
  state = s;
  document.body.dataset.state = s;
  note.hidden = s === 'running';
  if (text)
    note_text.textContent = text;
}

// Every source pixel a square of whole screen pixels, as large as the window allows.
function fit_canvas() {
  const ratio = window.devicePixelRatio || 1;
  const k = Math.max(1, Math.floor(Math.min(innerWidth * ratio / 320, innerHeight * ratio / 240)));
  canvas.style.setProperty('width', 320 * k / ratio + 'px', 'important');
  canvas.style.setProperty('height', 240 * k / ratio + 'px', 'important');
}

// The files the intro reads from res/; a missing one is left out, and the intro says so.
function fetch_media() {
  return Promise.all(media_files.map(name =>
    fetch('res/' + name)
      .then(r => r.ok ? r.arrayBuffer() : null)
      .then(b => [name, b && new Uint8Array(b)], () => [name, null])));
}

function show_message(line) {
  messages.hidden = false;
  messages.textContent += (messages.textContent ? '\n' : '') + line;
}

// A fresh instance of the module for each run, made ready before the viewer asks for it.
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
    preRun: [module => {
      const present = media.filter(([, bytes]) => bytes);
      if (present.length === 0)
        return;  // no res/ at all: the intro says so in one line
      module.FS.mkdir('/res');
      for (const [name, bytes] of present)
        module.FS.writeFile('/res/' + name, bytes);
    }],
  });
}

// Escape has ended the intro: a fresh instance is made ready to start it again.
function intro_ended() {
  audio = null;
  set_state('loading', 'The intro has ended.');
  prepare_intro().then(m => {
    intro = m;
    set_state('ended', 'The intro has ended. Click or press a key to start it again.');
  });
}

function start() {
  if (state !== 'ready' && state !== 'ended')
    return;
  messages.hidden = true;
  messages.textContent = '';
  // SDL_mixer's 22050 Hz stream goes to Web Audio as it is, without resampling.
  audio = new AudioContext({sampleRate: 22050});
  intro.SDL2 = {audioContext: audio};
  set_state('running');
  canvas.focus();
  // main's loop sleeps through Asyncify; the promise settles once main has returned.
  intro.ccall('main', 'number', ['number', 'number'], [0, 0], {async: true}).then(intro_ended);
}

// What the page's sound is doing: 'running', 'suspended' (hidden page), 'none' (not started).
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
  if (e.key === 'Escape' && document.fullscreenElement) {
    e.stopImmediatePropagation();
    e.preventDefault();
    document.exitFullscreen();
    return;
  }
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
fit_canvas();

window.addEventListener('load', () => {
  if (location.protocol === 'file:') {
    set_state('loading', 'Browsers do not load this page from the disk: serve its folder with ' +
              'a web server (python3 -m http.server, say) and open it from there.');
    return;
  }
  fetch_media()
    .then(files => { media = files; return prepare_intro(); })
    .then(m => {
      intro = m;
      set_state('ready', 'Click or press a key to start: browsers play sound only after you do.');
    });
});
