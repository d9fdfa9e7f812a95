// The intro's fixed facts, each named once: the screen and the frame pace, the frame
// counter and its steps, the slide panel, the scroller's band, the audio format, and the
// media files with their limits. The intro, its tools and its tests read them from here.
#pragma once

#include <SDL.h>

#include "../gfx/gfx.h" // the screen: screen_width x screen_height pixels

// The display: 16 bits a pixel, 5-6-5. After each frame the intro pauses frame_pause_ms.
enum : int {
    screen_depth = 16,
    frame_pause_ms = 40,
    frames_per_second = 1000 / frame_pause_ms,
};

// The frame counter is frame_counter_start before the first frame and grows by
// frame_counter_step at the head of each; the fader idles while it is fader_starts_above
// or less. The counter is brought back by frame_counter_wrap_by (a multiple of 750, which
// leaves it at 1,251 or more) once it passes frame_counter_wrap_above, so it never
// overflows and the fader never sees it at fader_starts_above or below again.
enum : int {
    frame_counter_start = 251,
    frame_counter_step = 2,
    fader_starts_above = 800,
    frame_counter_wrap_above = 2000000000,
    frame_counter_wrap_by = 750 * 2666665,
};

// The counter during frame n (frame 1 is the first), before any wrap.
constexpr int frame_counter_in_frame(int n) {
    return frame_counter_start + frame_counter_step * n;
}

// The slide panel at the left of the screen, where slide_count pictures of its size fade
// in and out in turn.
enum : int {
    panel_x = 10,
    panel_y = 110,
    panel_width = 128,
    panel_height = 120,
    slide_count = 16,
};

// The scroller's band: a column buffer of scroller_columns x scroller_rows cells, shifted
// scroller_shift columns to the left each frame. Its first scroller_drawn_columns columns
// are plotted (the rest are only the shift's source), cell (col, row) at
// (scroller_band_x + col, scroller_band_y + row) bent by a sine table of scroller_sine_size
// entries, with a black shadow scroller_shadow_dx right and scroller_shadow_dy down.
enum : int {
    scroller_sine_size = 250,
    scroller_columns = 198,
    scroller_rows = 26,
    scroller_shift = 3,
    scroller_drawn_columns = scroller_columns - scroller_shift,
    scroller_band_x = 150,
    scroller_band_y = 120,
    scroller_shadow_dx = 20,
    scroller_shadow_dy = 30,
};

// The audio format: audio_rate Hz, signed 16-bit little-endian samples, audio_channels
// channels, mixed audio_buffer_samples sample frames at a time. The module check works out
// the mixer's step at audio_rate, so the shortest loop it admits depends on the rate.
enum : int {
    audio_rate = 22050,
    audio_channels = 2,
    audio_buffer_samples = 1024,
};
constexpr Uint16 audio_sample_format = AUDIO_S16LSB;

// The media files, in res/ in the folder the intro is started in, in the order they are
// loaded: the background, slide_count slides, then the music.
inline constexpr char media_folder[] = "res";
inline constexpr const char *picture_files[1 + slide_count] = {
    "res/back.dat", "res/sl0.dat",  "res/sl1.dat",  "res/sl2.dat",  "res/sl3.dat", "res/sl4.dat",
    "res/sl5.dat",  "res/sl6.dat",  "res/sl7.dat",  "res/sl8.dat",  "res/sl9.dat", "res/sl10.dat",
    "res/sl11.dat", "res/sl12.dat", "res/sl13.dat", "res/sl14.dat", "res/sl15.dat"};
inline constexpr const char *background_file = picture_files[0];
inline constexpr const char *const *slide_files = picture_files + 1;
inline constexpr char music_file[] = "res/theme.xm";

// The largest files read at all. A picture: the biggest one accepted (picture_max_side
// square at 32 bits, 4 MiB of pixels) with ample room for headers, palette and slack. A
// module: no XM worth playing comes near it; it bounds what the module check reads into
// memory. The largest picture accepted in either direction: the intro shows at most
// 320x240, so this leaves room for any sensible picture while keeping all 17 of them
// together far below what a lying header could make the loader allocate.
enum : int {
    picture_max_side = 1024,
    picture_largest_file = 16 << 20,
    module_largest_file = 64 << 20,
};
