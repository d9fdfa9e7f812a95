// The Windows release run under Wine as a viewer runs it, for the Wine tests and the Wine
// benchmark: the zip unzipped into a folder with a space in its name, intro.exe started
// there in a Wine prefix with wine on a given X server.
#pragma once

#include <string>
#include <vector>

#include "../e2e/harness.h"

namespace e2e {

// The wine program; empty if Wine is not installed.
std::string wine_path();

// The intro's sound goes through SDL's disk audio driver into the file the harness names
// (intro.audio_path), exactly as the device takes it; or, with `wine_sound`, through Wine's
// own sound, whose ALSA device is then the WAV file `wine_sound_path`.
struct wine_run {
    // Set before start_wine_intro: files of the release removed before it starts
    // ("res/sl3.dat"); and whether it is started by its full path in a folder "Desktop"
    // beside the download (elsewhere), as a shortcut whose "Start in" names another
    // folder, a launcher or a file manager does.
    std::vector<std::string> removed;
    bool from_elsewhere = false;

    temp_folder folder;
    std::string elsewhere;
    std::string release; // the unzipped release folder
    std::string prefix;
    std::string wine_sound_path;
    intro_process intro;
    double started = 0; // when wine was started (now_s)
    ~wine_run();
};

// Unzips `zip` and starts intro.exe under wine on `server` (none: no DISPLAY). The prefix
// is INTRO_WINE_PREFIX when set (a fresh one made for the whole run: Wine's first start
// takes long), else a new one in the folder. Without `keep_res`, res/ is removed first;
// `more_env` holds further "NAME=value" settings.
bool start_wine_intro(wine_run *r, const std::string &zip, const x_server *server, bool wine_sound,
                      bool keep_res = true, const std::vector<std::string> &more_env = {});

// A Linux path as a Windows program under Wine sees it: on drive Z:, with backslashes.
std::string windows_path(const std::string &path);

// What the intro wrote on stderr, line by line without line ends, but for the two lines
// SDL's disk audio driver (which no viewer uses) prints when it opens.
std::vector<std::string> intro_lines(const intro_process *p);

} // namespace e2e
