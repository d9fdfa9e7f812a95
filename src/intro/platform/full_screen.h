// Whether the intro asks SDL for a full-screen display or the page around it provides one.
#pragma once

// True on desktops, where SDL makes the display cover the screen. False in the browser:
// there the page enlarges the intro's 320x240 canvas and enters the browser's full screen,
// which only a click or key press of the viewer may start.
bool asks_for_full_screen();
