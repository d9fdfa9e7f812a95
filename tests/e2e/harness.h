// The end-to-end harness: a private Xvfb (320x240x16, or a larger screen with the openbox
// window manager, as users have it), a temporary folder with res/,
// the intro started there as a user would start it, its screen grabbed with XGetImage
// and keys sent with XTest. Everything started here is killed again, also when a test
// fails half-way (the structs clean up in their destructors, and every child dies with
// the test process).
#pragma once

#include <X11/Xlib.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

enum { width = 320, height = 240 };

// ---- the X server ----------------------------------------------------------------------

struct x_server {
    pid_t pid = -1;
    pid_t window_manager = -1;  // openbox, when started
    int number = -1;            // the display number Xvfb chose through -displayfd
    Display *display = nullptr; // the harness's own connection
    std::string name;           // ":N"
    ~x_server();
};

// Starts `Xvfb -displayfd FD -screen 0 SCREEN -nolisten tcp` and connects to it.
// On failure returns false with the reason in *error.
bool start_x_server(x_server *x, std::string *error, const char *screen = "320x240x16");
void stop_x_server(x_server *x);

// Starts openbox on the server and waits until it manages the screen.
bool start_window_manager(x_server *x, std::string *error);

// ---- the temporary folder and its media ------------------------------------------------

struct temp_folder {
    std::string path;
    ~temp_folder();
};

bool make_temp_folder(temp_folder *t);
void remove_tree(const std::string &path);

enum class media { repository_if_present, fixture };

// Fills FOLDER/res with the repository's res/ when it has all the media, else (or when
// asked to) with fixture media written here: a 24-bit 320x240 background, sixteen small
// slides and a one-sample looping XM. Returns false if a file could not be written.
bool prepare_res(const std::string &folder, media source = media::repository_if_present);
bool write_fixture_bmp(const std::string &path, int w, int h, int seed);
bool write_fixture_xm(const std::string &path);

// A song of `rows` rows at `tempo` ticks a row (125 BPM: 20 ms a tick) whose note sounds
// from row 0 and is silenced (volume 0) at `silent_from_row`: played in a loop, bursts of
// sound with silence between them.
bool write_short_song_xm(const std::string &path, int rows, int tempo, int silent_from_row);

// Rewrites the BMP at `path` as a 32-bit one whose fourth byte is alpha(x, y), colours
// unchanged.
bool rewrite_as_32_bits(const std::string &path, unsigned char (*alpha)(int x, int y));
bool write_file(const std::string &path, const std::string &bytes);

// ---- the intro -------------------------------------------------------------------------

struct intro_process {
    pid_t pid = -1;
    std::string folder;      // its working directory
    std::string stderr_path; // everything it wrote on stderr
    std::string audio_path;  // SDL_DISKAUDIOFILE
    bool exited = false;
    int exit_code = -1;  // valid when it exited normally
    int term_signal = 0; // set when a signal ended it
    ~intro_process();
};

// Changes to the environment that the intro starts with. The base environment holds only
// PATH, HOME and XDG_RUNTIME_DIR (both the folder), DISPLAY=:N, SDL_AUDIODRIVER=disk with
// SDL_DISKAUDIOFILE in the folder, and the sanitizer options with the repository's suppressions.
struct intro_env {
    std::vector<std::string> set;   // "NAME=value", replacing any base value
    std::vector<std::string> unset; // names removed from the base
    std::vector<int> closed;        // of descriptors 0, 1 and 2, those it starts without
    bool unread_stderr = false;     // stdout and stderr a pipe whose reader has gone
    bool as_nobody = false;         // run as the user nobody (when the tests run as root)
    // In the sanitizer build, any one allocation above this many MiB fails (0: no limit).
    int largest_allocation_mib = 0;
    // Its address space limited to this many MiB, as `ulimit -v` does (0: no limit).
    int address_space_mib = 0;
};

// Starts INTRO_EXE in `folder` with stderr (and stdout) going to a file there.
// `server` may be null: then DISPLAY is not set at all.
bool start_intro(intro_process *p, const std::string &folder, const x_server *server,
                 const intro_env &env = {});

// Starts the program ARGV (argv[0] a path) in `folder` the same way, for a program that
// runs the intro, such as an emulator.
bool start_program(intro_process *p, const std::vector<std::string> &argv,
                   const std::string &folder, const x_server *server, const intro_env &env = {});

// True when built with AddressSanitizer: the intro then also takes its leak check at exit.
bool sanitized_build();

// Waits up to `timeout_s` for the intro to end; true if it did.
bool wait_intro_exit(intro_process *p, double timeout_s);
bool intro_running(intro_process *p);
void kill_intro(intro_process *p);
std::string intro_stderr(const intro_process *p);

// The lines of `text`, without their newlines.
std::vector<std::string> lines_of(const std::string &text);

// ---- the screen and the keyboard -------------------------------------------------------

// Waits until a top-level window is mapped on the server; returns it or 0 on time-out.
Window wait_for_window(Display *d, double timeout_s);

// Waits for the intro's window to be up for good, with the keyboard focus: SDL may map a
// first window and replace it with another while it sets the mode, and keys sent before
// the second one has the focus are lost. Returns the window, or 0 on time-out.
Window wait_for_intro_window(Display *d, double timeout_s);

// The whole 320x240 root window as RGB565 values, row by row (76800 of them). The
// server's visual must be 5-6-5, or 8-8-8 (each channel then truncated); an empty vector
// otherwise.
std::vector<std::uint16_t> grab_screen(Display *d);

// The whole root window, whatever its size and depth, as 0xRRGGBB values row by row.
struct rgb_image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};
rgb_image grab_screen_rgb(Display *d);
bool write_ppm(const std::string &path, const rgb_image &image);

// A 5-6-5 value widened to 8 bits a channel, the top bits repeated into the new low bits.
inline std::uint32_t widen_565(std::uint16_t v) {
    const std::uint32_t r = v >> 11, g = v >> 5 & 63, b = v & 31;
    return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
}

// The 320x240 display as a larger screen shows it, enlarged `scale` times with its top-left
// corner at (x, y): each block's top-left pixel, narrowed to 5-6-5. Empty if it does not fit.
std::vector<std::uint16_t> shrink_screen(const rgb_image &shot, int scale, int x, int y);

// Pixels in which two 320x240 screens differ; -1 if their sizes differ.
long differences(const std::vector<std::uint16_t> &a, const std::vector<std::uint16_t> &b);

// The rows above the slide panel and the scroller show the background: the intro is drawing.
bool shows_background_top(const std::vector<std::uint16_t> &shot,
                          const std::vector<std::uint16_t> &background);

// The slide panel at (10, 110) shows a picture: its left part, where the scroller never
// reaches, differs from the background.
bool shows_slide(const std::vector<std::uint16_t> &shot,
                 const std::vector<std::uint16_t> &background);

// ---- the display enlarged on a large screen ---------------------------------------------

struct screen_size {
    int width, height;
};

// Where the enlarged display lies: the largest whole-number enlargement that fits, centred.
struct placement {
    int scale, x, y;
};
placement whole_number_placement(int screen_width, int screen_height);

// The presenter widens each 5-6-5 level to 8 bits its own way, but always the same way: on
// a sharp screen every level of a channel shows as one shade. Blending neighbours (linear
// filtering) makes shades in between, several to a level.
struct shades {
    int red[32], green[64], blue[32];
    shades();
    bool one_per_level(std::uint32_t v);
};

// Everything wrong with one grab of the enlarged display, as text; empty when the border is
// black, every block one colour, every 5-6-5 level one shade and the rows above y = 90 the
// background's.
std::string enlargement_faults(const rgb_image &shot, const placement &p,
                               const std::vector<std::uint16_t> &background);

// Moves the pointer to (x, y) on the root window through XTest.
void move_pointer(Display *d, int x, int y);

// Whether the cursor the server shows now (XFixes) has no visible pixel; false also when
// the server cannot tell.
bool cursor_is_invisible(Display *d);

// Writes a 320x240 RGB565 image as a binary PPM, for looking at a failure.
bool write_ppm(const std::string &path, const std::vector<std::uint16_t> &pixels);

// The RGB565 value SDL's blit gives an 8-bit colour: each channel truncated.
inline std::uint16_t rgb565(unsigned r, unsigned g, unsigned b) {
    return static_cast<std::uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}

// Loads a BMP as SDL does: every pixel as 0xRRGGBB, or converted to RGB565 by truncation;
// empty on failure. *w and *h receive its size.
std::vector<std::uint32_t> bmp_as_rgb(const std::string &path, int *w, int *h);
std::vector<std::uint16_t> bmp_as_565(const std::string &path, int *w, int *h);

// How far the slide panel of `screen` (5-6-5, at (10, 110)) lies from `slide` blended over
// `background` (both 0xRRGGBB, the background 320x240) with 8 bits of alpha: the largest
// difference in levels of any channel. Only the panel's columns left of x = 121 count,
// where the scroller never draws.
int panel_off_blend(const std::vector<std::uint16_t> &screen,
                    const std::vector<std::uint32_t> &background,
                    const std::vector<std::uint32_t> &slide, int slide_w, int slide_h, int alpha);

// Presses and releases `key` through XTest, holding the `modifiers` keysyms meanwhile.
void press_key(Display *d, unsigned long keysym, const std::vector<unsigned long> &modifiers = {});

// Presses the key that carries `pressed`, makes that key carry `released` instead (as a
// change of keyboard layout while a key is held does), lets it go, and puts the keyboard
// back: the program sees `pressed` go down and `released` come up, nothing else.
void press_and_release_as(Display *d, unsigned long pressed, unsigned long released);

// Sends what a window manager sends when the user closes a window: WM_PROTOCOLS with
// WM_DELETE_WINDOW.
void send_close_request(Display *d, Window w);

// Seconds on a monotonic clock.
double now_s();
void sleep_s(double seconds);

// ---- the recorded sound ----------------------------------------------------------------

// Peak absolute value of the signed 16-bit samples in a raw file; -1 if unreadable.
int peak_amplitude(const std::string &path, long *sample_count);

// The peak absolute value in each block of `block` samples, in order; empty if unreadable.
std::vector<int> block_peaks(const std::string &path, long block);

} // namespace e2e
