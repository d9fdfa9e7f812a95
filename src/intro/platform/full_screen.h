// Whether the intro asks SDL for a full-screen display or the page around it provides one, and
// the hints that shape the display where it is shown.
#pragma once

// True on desktops, where SDL makes the display cover the screen. False in the browser:
// there the page enlarges the intro's 320x240 canvas and enters the browser's full screen,
// which only a click or key press of the viewer may start.
bool asks_for_full_screen();

// Sets the hints that shape the display where it is shown: none on desktops. In the browser
// the canvas's backing store stays 320x240 at any devicePixelRatio, one canvas pixel to a
// display pixel, and the page enlarges it by whole device pixels.
void set_display_hints();
