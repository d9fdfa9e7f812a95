// The harness's temporary folders and media (see media.h).
#include "media.h"

#include <SDL.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "screen.h"

namespace fs = std::filesystem;

namespace e2e {

temp_folder::~temp_folder() {
    if (!path.empty() && !std::getenv("E2E_KEEP"))
        remove_tree(path);
}

bool make_temp_folder(temp_folder *t) {
    std::string pattern = (fs::temp_directory_path() / "intro-e2e-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        return false;
    t->path = pattern;
    return true;
}

void remove_tree(const std::string &path) {
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

bool write_file(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool write_fixture_bmp(const std::string &path, int w, int h, int seed) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    if (!s)
        return false;
    // Every channel runs through all its low bits, so truncation to 5-6-5 is exercised.
    for (int y = 0; y < h; ++y) {
        auto *row = static_cast<Uint8 *>(s->pixels) + y * s->pitch;
        for (int x = 0; x < w; ++x) {
            const Uint32 r = static_cast<Uint32>(x * 7 + y + seed * 40) & 0xFF;
            const Uint32 g = static_cast<Uint32>(y * 3 + x * 5 + seed * 13) & 0xFF;
            const Uint32 b = static_cast<Uint32>((x ^ y) + seed * 71) & 0xFF;
            const Uint32 v = SDL_MapRGB(s->format, static_cast<Uint8>(r), static_cast<Uint8>(g),
                                        static_cast<Uint8>(b));
            std::memcpy(row + x * 3, &v, 3); // little-endian: the low three bytes
        }
    }
    const bool ok = SDL_SaveBMP(s, path.c_str()) == 0;
    SDL_FreeSurface(s);
    return ok;
}

static void put_u16(std::string *o, unsigned v) {
    o->push_back(static_cast<char>(v & 0xFF));
    o->push_back(static_cast<char>(v >> 8 & 0xFF));
}

static void put_u32(std::string *o, unsigned long v) {
    put_u16(o, static_cast<unsigned>(v & 0xFFFF));
    put_u16(o, static_cast<unsigned>(v >> 16 & 0xFFFF));
}

bool rewrite_as_32_bits(const std::string &path, unsigned char (*alpha)(int x, int y)) {
    int w = 0, h = 0;
    const std::vector<std::uint32_t> rgb = bmp_as_rgb(path, &w, &h);
    if (rgb.empty())
        return false;
    std::string o = "BM";
    const unsigned long pixels = static_cast<unsigned long>(w) * static_cast<unsigned long>(h) * 4;
    put_u32(&o, 54 + pixels);
    put_u32(&o, 0);
    put_u32(&o, 54);
    put_u32(&o, 40);
    put_u32(&o, static_cast<unsigned long>(w));
    put_u32(&o, static_cast<unsigned long>(h));
    put_u16(&o, 1);
    put_u16(&o, 32);
    put_u32(&o, 0);
    put_u32(&o, pixels);
    o += std::string(16, '\0');
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) {
            const std::uint32_t v = rgb[static_cast<size_t>(y * w + x)];
            o.push_back(static_cast<char>(v & 0xFF));
            o.push_back(static_cast<char>(v >> 8 & 0xFF));
            o.push_back(static_cast<char>(v >> 16 & 0xFF));
            o.push_back(static_cast<char>(alpha(x, y)));
        }
    return write_file(path, o);
}

static void put_text(std::string *o, const char *text, size_t size) {
    const size_t n = std::strlen(text);
    for (size_t i = 0; i < size; ++i)
        o->push_back(i < n ? text[i] : '\0');
}

// A tiny valid XM: one channel, one 16-row pattern that strikes C-4 on an instrument
// whose one 8-bit sample is a looping sine of period 32 samples.
bool write_fixture_xm(const std::string &path) {
    return write_short_song_xm(path, 16, 6, -1);
}

bool write_short_song_xm(const std::string &path, int rows, int tempo, int silent_from_row) {
    std::string o;
    put_text(&o, "Extended Module: ", 17);
    put_text(&o, "e2e fixture", 20);
    o.push_back('\x1a');
    put_text(&o, "intro e2e harness", 20);
    put_u16(&o, 0x0104); // version
    put_u32(&o, 276);    // header size from this field on
    put_u16(&o, 1);      // song length
    put_u16(&o, 0);      // restart position
    put_u16(&o, 2);      // channels (an even count, as trackers write)
    put_u16(&o, 1);      // patterns
    put_u16(&o, 1);      // instruments
    put_u16(&o, 1);      // linear frequency table
    put_u16(&o, static_cast<unsigned>(tempo));
    put_u16(&o, 125);      // BPM
    put_text(&o, "", 256); // order table: pattern 0

    // Pattern 0, unpacked (5 bytes a cell); row 0 channel 0 plays C-4 (49) at volume 64,
    // the volume column of `silent_from_row` sets volume 0.
    std::string cells;
    for (int row = 0; row < rows; ++row)
        for (int channel = 0; channel < 2; ++channel) {
            const bool strike = row == 0 && channel == 0;
            const bool hush = row == silent_from_row && channel == 0;
            cells.push_back(static_cast<char>(strike ? 49 : 0));
            cells.push_back(static_cast<char>(strike ? 1 : 0));
            cells.push_back(static_cast<char>(strike ? 0x50 : hush ? 0x10 : 0));
            cells.push_back('\0');
            cells.push_back('\0');
        }
    put_u32(&o, 9); // pattern header length
    o.push_back('\0');
    put_u16(&o, static_cast<unsigned>(rows));
    put_u16(&o, static_cast<unsigned>(cells.size()));
    o += cells;

    // Instrument 1 with one sample; its header is 263 bytes including the size field.
    const size_t instrument_start = o.size();
    put_u32(&o, 263);
    put_text(&o, "sine", 22);
    o.push_back('\0');              // type
    put_u16(&o, 1);                 // samples
    put_u32(&o, 40);                // sample header size
    put_text(&o, "", 96 + 48 + 48); // keymap all sample 0, no envelopes
    put_text(&o, "", 16);           // envelope counts, points, types, vibrato
    put_u16(&o, 0);                 // fade-out
    while (o.size() - instrument_start < 263)
        o.push_back('\0');

    const unsigned length = 256;
    put_u32(&o, length);
    put_u32(&o, 0);                      // loop start
    put_u32(&o, length);                 // loop length
    o.push_back(64);                     // volume
    o.push_back('\0');                   // finetune
    o.push_back(1);                      // forward loop, 8-bit
    o.push_back(static_cast<char>(128)); // panning
    o.push_back('\0');                   // relative note
    o.push_back('\0');
    put_text(&o, "sine", 22);
    // 8-bit sample data is stored as differences from the previous sample.
    int previous = 0;
    for (unsigned i = 0; i < length; ++i) {
        const int v = static_cast<int>(std::lround(100 * std::sin(i * 2 * 3.141592653589793 / 32)));
        o.push_back(static_cast<char>((v - previous) & 0xFF));
        previous = v;
    }
    return write_file(path, o);
}

static bool repo_has_media() {
    const fs::path res = fs::path(SOURCE_DIR) / "res";
    if (!fs::exists(res / "back.dat") || !fs::exists(res / "theme.xm"))
        return false;
    for (int i = 0; i < 16; ++i)
        if (!fs::exists(res / ("sl" + std::to_string(i) + ".dat")))
            return false;
    return true;
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
    if (!write_fixture_bmp((res / "back.dat").string(), width, height, 0))
        return false;
    for (int i = 0; i < 16; ++i)
        if (!write_fixture_bmp((res / ("sl" + std::to_string(i) + ".dat")).string(), 64, 48, i + 1))
            return false;
    return write_fixture_xm((res / "theme.xm").string());
}

} // namespace e2e
