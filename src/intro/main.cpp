// The intro: start-up, the frame loop that runs until Escape, and shut-down.
#include <SDL.h>

#include <filesystem>

#include "../gfx/gfx.h"
#include "display.h"
#include "frame.h"
#include "messages.h"
#include "platform/media_folder.h"
#include "platform/out_of_memory.h"
#include "platform/said_lines.h"
#include "platform/std_streams.h"
#include "screen_sound_media.h"
#include "sound.h"

// Drains the event queue. Each Escape going down halts the music and ends the loop after
// this frame; every other event, a request to close the window among them, is ignored.
static void handle_events(intro_sound *sound, bool *running) {
    SDL_Event event;
    while (SDL_PollEvent(&event))
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            halt_sound(sound);
            *running = false;
        }
}

// The pictures and the music live in media_folder in the current folder (on Windows,
// failing that, beside the program). Without that folder one line says so, instead of one
// complaint for each of its files.
static bool media_folder_present() {
    std::error_code ec;
    if (std::filesystem::is_directory(media_folder, ec) ||
        enter_program_folder_holding(media_folder))
        return true;
    char where[1024];
    describe_where_looked(where, sizeof where);
    say("no %s/ folder in %s; running without pictures and music", media_folder, where);
    return false;
}

int main(int, char **) {
    keep_std_streams_open(); // before anything, SDL above all, opens a file or a socket
    say_when_memory_runs_out();
    static intro_state state; // the scroller's tables are too big to want on the stack
    intro_prepare(&state);

    const bool media = media_folder_present();
    intro_pictures pictures = {};
    set_memory_use("loading the pictures");
    if (media)
        load_pictures(&pictures);

    set_memory_use("setting up the display");
    if (!connect_display()) {
        free_pictures(&pictures);
        SDL_Quit();
        return 1;
    }
    // The audio device is opened before the display covers the screen, so that all the
    // intro has to say about its media and its sound is said, and where stderr goes unseen
    // shown, while the viewer can still read it.
    intro_sound sound = {false, nullptr};
    set_memory_use("starting the music");
    if (media)
        open_sound(&sound);
    show_said_lines(false);
    set_memory_use("setting up the display");
    if (!open_display()) {
        free_pictures(&pictures);
        close_sound(&sound);
        SDL_Quit();
        return 1;
    }
    play_sound(&sound);

    set_memory_use("drawing the frames");
    intro_begin(&state);
    bool running = true;
    while (running) {
        draw_frame(&state, &pictures);
        handle_events(&sound, &running);
        SDL_Flip(screen);
        SDL_Delay(frame_pause_ms);
    }

    set_memory_use("shutting down");
    free_pictures(&pictures);
    close_sound(&sound);
    SDL_Quit();
    return 0;
}
