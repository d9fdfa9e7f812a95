// The harness's media (see media.h), written with the media tools' BMP and XM writers.
#include "media.h"

#include <SDL.h>

#include <cmath>
#include <filesystem>

#include "bmp_writer.h"
#include "screen.h"
#include "surfaces.h"
#include "xm_writer.h"

namespace fs = std::filesystem;

namespace e2e {

bool write_fixture_bmp(const std::string &path, int w, int h, int seed) {
    // Every channel runs through all its low bits, so truncation to 5-6-5 is exercised.
    SDL_Surface *s = surface24(w, h, [seed](int x, int y) {
        const Uint32 r = static_cast<Uint32>(x * 7 + y + seed * 40) & 0xFF;
        const Uint32 g = static_cast<Uint32>(y * 3 + x * 5 + seed * 13) & 0xFF;
        const Uint32 b = static_cast<Uint32>((x ^ y) + seed * 71) & 0xFF;
        return r << 16 | g << 8 | b;
    });
    const bool ok = s && SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

bool rewrite_as_32_bits(const std::string &path, unsigned char (*alpha)(int x, int y)) {
    int w = 0, h = 0;
    const std::vector<std::uint32_t> rgb = bmp_as_rgb(path, &w, &h);
    bmp_bytes pixels; // bottom row first, blue, green, red and alpha
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = rgb[static_cast<size_t>(y * w + x)];
            pixels.insert(pixels.end(),
                          {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                           static_cast<unsigned char>(v >> 16), alpha(x, y)});
        }
    bmp_header header;
    header.width = w;
    header.height = h;
    header.bits = 32;
    return !rgb.empty() && write_file(path, bmp_file(header, pixels));
}

// A tiny valid XM: one channel, one 16-row pattern that strikes C-4 on an instrument
// whose one 8-bit sample is a looping sine of period 32 samples.
bool write_fixture_xm(const std::string &path) {
    return write_short_song_xm(path, 16, 6, -1);
}

bool write_short_song_xm(const std::string &path, int rows, int tempo, int silent_from_row) {
    xm_module m;
    m.name = "e2e fixture";
    m.channels = 2; // an even count, as trackers write
    m.speed = tempo;
    m.orders = {0};
    xm_pattern p;
    p.rows = rows;
    p.cells.resize(static_cast<size_t>(rows * m.channels));
    p.cells[0] = {49, 1, 0x50, 0, 0}; // C-4 at volume 64 on channel 0
    if (silent_from_row >= 0)
        p.cells[static_cast<size_t>(silent_from_row * m.channels)].volume = 0x10;
    m.patterns = {p};
    xm_instrument sine;
    sine.name = sine.sample.name = "sine";
    sine.sample.eight_bit = true;
    sine.sample.loop = xm_loop_forward;
    for (int i = 0; i < 256; ++i)
        sine.sample.data.push_back(static_cast<std::int16_t>(
            256 * std::lround(100 * std::sin(i * 2 * 3.141592653589793 / 32))));
    sine.sample.loop_length = 256;
    m.instruments = {sine};
    return write_file(path, xm_write(m));
}

static bool repo_has_media() {
    for (const char *file : picture_files)
        if (!fs::exists(fs::path(SOURCE_DIR) / file))
            return false;
    return fs::exists(fs::path(SOURCE_DIR) / music_file);
}

bool prepare_res(const std::string &folder, media source) {
    const fs::path res = fs::path(folder) / "res";
    std::error_code ec;
    fs::create_directories(res, ec);
    if (ec)
        return false;
    if (source == media::repository_if_present && repo_has_media()) {
        fs::copy(fs::path(SOURCE_DIR) / "res", res,
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        return !ec;
    }
    if (!write_fixture_bmp(folder + "/" + background_file, width, height, 0))
        return false;
    for (int i = 0; i < slide_count; ++i)
        if (!write_fixture_bmp(folder + "/" + slide_files[i], 64, 48, i + 1))
            return false;
    return write_fixture_xm(folder + "/" + music_file);
}

} // namespace e2e
