// The intro's sleep in the browser, and what a hidden page does to it. SDL_Delay and each
// presented frame end in emscripten_sleep; while the page is hidden a sleep does not end, so
// the frame loop holds where it was until the page is shown again. The page suspends the
// sound at the same moment (tools/web/page.js), so picture and music go on in step.
mergeInto(LibraryManager.library, {
  // dynCall: SDL2's Web Audio code calls it, and nothing else of emscripten's pulls it in.
  emscripten_sleep__deps: ['$safeSetTimeout', '$dynCall'],
  emscripten_sleep: function(ms) {
    // SDL2 sleeps 0 ms after presenting each frame, to let the browser show it; the
    // intro's own 40 ms sleep follows at once and does that, so this one costs the
    // browser's shortest timer (4 ms or more) for nothing.
    if (ms === 0)
      return;
    Asyncify.handleSleep(function(wakeUp) {
      function wake() {
        if (document.hidden)
          document.addEventListener('visibilitychange', function() { safeSetTimeout(wake, 0); },
                                    {once: true});
        else
          wakeUp();
      }
      safeSetTimeout(wake, ms);
    });
  },
});
