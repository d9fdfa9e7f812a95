// A display that must be locked before its pixels are touched draws the same frames as a
// plain one: the scroller's direct writes happen inside the lock, the blits outside it.
#include <gtest/gtest.h>

#include <vector>

#include "intro/frame.h"
#include "surfaces.h"

namespace {

// Draws frames 1 to `frames` and returns the screen's pixels.
std::vector<Uint16> run(bool must_lock, int frames) {
    test_screen display;
    if (must_lock) // what a display surface in video memory would carry
        display.surface->flags |= SDL_HWSURFACE;
    EXPECT_EQ(SDL_MUSTLOCK(display.surface) != 0, must_lock);
    intro_pictures pictures = {};
    pictures.background = surface24(screen_width, screen_height, 0x203040);
    for (int i = 0; i < slide_count; ++i)
        pictures.slides[i] = surface24(panel_width, panel_height, 0x101010 * (i + 1));
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);
    for (int frame = 1; frame <= frames; ++frame)
        draw_frame(&state, &pictures);
    std::vector<Uint16> pixels(display.store.begin(), display.store.begin() + 320 * 240);
    EXPECT_TRUE(display.guard_intact());
    free_pictures(&pictures);
    display.surface->flags &= ~SDL_HWSURFACE;
    return pixels;
}

TEST(locked_display, a_display_that_must_be_locked_shows_the_same_frame) {
    const int frames = 400; // past the first slide and many glyphs
    const std::vector<Uint16> plain = run(false, frames);
    const std::vector<Uint16> locked = run(true, frames);
    int differing = 0;
    for (std::size_t i = 0; i < plain.size(); ++i)
        differing += plain[i] != locked[i];
    EXPECT_EQ(differing, 0);
    int lit = 0;
    for (Uint16 p : plain)
        lit += p != 0;
    EXPECT_GT(lit, 0);
}

} // namespace
