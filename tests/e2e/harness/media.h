// The harness's temporary folders and the media it puts in them: the repository's res/, or
// fixture pictures and tunes written here.
#pragma once

#include <string>

namespace e2e {

// A folder /tmp/intro-e2e-XXXXXX, removed with what it holds unless E2E_KEEP is set.
struct temp_folder {
    std::string path;
    ~temp_folder();
};

bool make_temp_folder(temp_folder *t);
void remove_tree(const std::string &path);
bool write_file(const std::string &path, const std::string &bytes);

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

} // namespace e2e
