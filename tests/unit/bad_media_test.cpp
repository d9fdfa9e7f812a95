// Damaged, hostile and unusual media: every picture and the module go through the loading
// path the intro uses, and the intro never crashes, never trusts a lying header and says
// in one line what it refused.
#include <gtest/gtest.h>

#include <SDL.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "intro/frame.h"
#include "intro/media_file.h"
#include "intro/module_check.h"
#include "intro/picture_header.h"
#include "intro/pictures.h"
#include "intro/sound.h"
#include "test_surface.h"

namespace {

using bytes = std::vector<unsigned char>;

void put16(bytes &b, unsigned v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8 & 0xFF);
}
void put32(bytes &b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(v >> 8 * i & 0xFF);
}

// The colours of a 4x3 test picture, top row first.
const unsigned char colours[3][4][3] = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}},
    {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {0, 0, 0}},
    {{200, 100, 50}, {50, 100, 200}, {128, 128, 128}, {255, 255, 0}},
};

// A BMP with a 40-byte info header; `pixels` is stored as given (rows padded by the caller).
bytes make_bmp(std::int32_t width, std::int32_t height, unsigned bpp, const bytes &pixels,
               const bytes &palette = {}, std::uint32_t compression = 0, const bytes &masks = {}) {
    bytes b = {'B', 'M'};
    const std::uint32_t offset = 14 + 40 + masks.size() + palette.size();
    put32(b, offset + pixels.size());
    put32(b, 0);
    put32(b, offset);
    put32(b, 40);
    put32(b, static_cast<std::uint32_t>(width));
    put32(b, static_cast<std::uint32_t>(height));
    put16(b, 1);
    put16(b, bpp);
    put32(b, compression);
    put32(b, pixels.size());
    put32(b, 2835);
    put32(b, 2835);
    put32(b, palette.size() / 4);
    put32(b, 0);
    b.insert(b.end(), masks.begin(), masks.end());
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// A BMP with the old 12-byte OS/2 core header, whose width and height are unsigned 16-bit.
bytes make_core_bmp(unsigned width, unsigned height, unsigned bpp, const bytes &pixels) {
    bytes b = {'B', 'M'};
    const std::uint32_t offset = 14 + 12;
    put32(b, offset + pixels.size());
    put32(b, 0);
    put32(b, offset);
    put32(b, 12);
    put16(b, width);
    put16(b, height);
    put16(b, 1);
    put16(b, bpp);
    b.insert(b.end(), pixels.begin(), pixels.end());
    return b;
}

// The 4x3 picture at 24 bits, rows in file order bottom-up or top-down.
bytes picture24(bool top_down) {
    bytes px;
    for (int i = 0; i < 3; ++i) {
        const int y = top_down ? i : 2 - i;
        for (int x = 0; x < 4; ++x)
            for (int c = 2; c >= 0; --c)
                px.push_back(colours[y][x][c]);
    }
    return make_bmp(4, top_down ? -3 : 3, 24, px);
}

bytes picture32() {
    bytes px;
    for (int y = 2; y >= 0; --y)
        for (int x = 0; x < 4; ++x) {
            for (int c = 2; c >= 0; --c)
                px.push_back(colours[y][x][c]);
            px.push_back(255);
        }
    return make_bmp(4, 3, 32, px);
}

bytes picture8() {
    bytes palette, px;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            for (int c = 2; c >= 0; --c)
                palette.push_back(colours[y][x][c]);
            palette.push_back(0);
        }
    for (int y = 2; y >= 0; --y)
        for (int x = 0; x < 4; ++x)
            px.push_back(4 * y + x);
    return make_bmp(4, 3, 8, px, palette);
}

// A header claiming a size with only a few bytes of pixels behind it.
bytes claiming(std::int32_t width, std::int32_t height, unsigned bpp = 24) {
    return make_bmp(width, height, bpp, bytes(64, 0x55));
}

struct temp_folder {
    std::string path;
    temp_folder() {
        char name[] = "/tmp/intro-media-XXXXXX";
        path = mkdtemp(name);
        std::system(("mkdir -p " + path + "/res").c_str());
    }
    ~temp_folder() { std::system(("rm -rf " + path).c_str()); }
    std::string write(const std::string &name, const bytes &data) const {
        const std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char *>(data.data()), data.size());
        return file;
    }
};

// Loads through load_picture and returns what it wrote on stderr.
std::string load_and_capture(const std::string &path, SDL_Surface **out) {
    testing::internal::CaptureStderr();
    *out = load_picture(path.c_str());
    return testing::internal::GetCapturedStderr();
}

int line_count(const std::string &s) {
    int n = 0;
    for (char c : s)
        n += c == '\n';
    return n;
}

// Expects a refusal: no surface, one line on stderr naming the file and the reason.
void expect_refused(const std::string &path, const std::string &reason) {
    SDL_Surface *s = nullptr;
    const std::string message = load_and_capture(path, &s);
    EXPECT_EQ(s, nullptr) << path;
    SDL_FreeSurface(s);
    EXPECT_EQ(line_count(message), 1) << message;
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(reason), std::string::npos) << message;
}

void expect_colours(SDL_Surface *s) {
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->w, 4);
    ASSERT_EQ(s->h, 3);
    SDL_LockSurface(s);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const Uint8 *p =
                static_cast<const Uint8 *>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel;
            Uint32 v = 0;
            for (int i = 0; i < s->format->BytesPerPixel; ++i)
                v |= static_cast<Uint32>(p[i]) << 8 * i;
            Uint8 r, g, b;
            SDL_GetRGB(v, s->format, &r, &g, &b);
            EXPECT_EQ(r, colours[y][x][0]) << x << "," << y;
            EXPECT_EQ(g, colours[y][x][1]) << x << "," << y;
            EXPECT_EQ(b, colours[y][x][2]) << x << "," << y;
        }
    SDL_UnlockSurface(s);
}

TEST(bad_pictures, a_missing_file_is_named_and_skipped) {
    temp_folder dir;
    expect_refused(dir.path + "/res/nothing.dat", "cannot read");
    expect_refused(dir.path + "/res/nothing.dat", "no such file or directory");
}

// None of these is opened at all, so none can block the start; each is named for what it is.
TEST(bad_pictures, what_is_not_a_regular_file_is_refused_for_what_it_is) {
    temp_folder dir;
    expect_refused(dir.path + "/res", "it is a folder, not a regular file");
    const std::string fifo = dir.path + "/fifo.dat";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    expect_refused(fifo, "it is a FIFO (named pipe), not a regular file");
    expect_refused("/dev/zero", "it is a character device, not a regular file");
    const std::string link = dir.path + "/link.dat";
    ASSERT_EQ(symlink("/dev/zero", link.c_str()), 0);
    expect_refused(link, "it is a character device, not a regular file");
    const std::string socket_path = dir.path + "/socket.dat";
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", socket_path.c_str());
    ASSERT_EQ(bind(listener, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    expect_refused(socket_path, "it is a socket, not a regular file");
    close(listener);
    const std::string dangling = dir.path + "/dangling.dat";
    ASSERT_EQ(symlink("nowhere.dat", dangling.c_str()), 0);
    expect_refused(dangling, "no such file or directory");
}

TEST(unusual_pictures, a_symbolic_link_to_a_picture_loads) {
    temp_folder dir;
    dir.write("p.dat", picture24(false));
    const std::string link = dir.path + "/link.dat";
    ASSERT_EQ(symlink("p.dat", link.c_str()), 0);
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(link, &s), "");
    expect_colours(s);
    SDL_FreeSurface(s);
}

// A 2 GiB file (sparse: it takes no room) is refused for its size before anything reads it.
TEST(bad_pictures, a_huge_file_is_refused_as_too_large) {
    temp_folder dir;
    const std::string path = dir.write("huge.dat", picture24(false));
    ASSERT_EQ(truncate(path.c_str(), 2L << 30), 0);
    expect_refused(path, "too large: 2147483648 bytes, at most 16777216");
}

// The largest file read is picture_largest_file bytes: a picture padded to exactly that
// loads, one byte more is refused.
TEST(bad_pictures, a_file_of_the_largest_size_loads_and_one_byte_more_is_refused) {
    temp_folder dir;
    const std::string path = dir.write("large.dat", picture24(false));
    ASSERT_EQ(truncate(path.c_str(), picture_largest_file), 0);
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(path, &s), "");
    expect_colours(s);
    SDL_FreeSurface(s);
    ASSERT_EQ(truncate(path.c_str(), picture_largest_file + 1), 0);
    expect_refused(path, "too large");
}

TEST(bad_pictures, an_empty_file_is_not_a_picture) {
    temp_folder dir;
    expect_refused(dir.write("empty.dat", {}), "not a BMP");
}

TEST(bad_pictures, random_bytes_are_not_a_picture) {
    temp_folder dir;
    std::mt19937 random(7);
    bytes noise(5000);
    for (auto &b : noise)
        b = random() & 0xFF;
    noise[0] = 'X';
    expect_refused(dir.write("noise.dat", noise), "not a BMP");
}

TEST(bad_pictures, random_bytes_after_the_magic_are_refused) {
    temp_folder dir;
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        bytes noise(14 + 40 + random() % 2000);
        for (auto &b : noise)
            b = random() & 0xFF;
        noise[0] = 'B';
        noise[1] = 'M';
        SDL_Surface *s = nullptr;
        const std::string message = load_and_capture(dir.write("noise.dat", noise), &s);
        EXPECT_EQ(s, nullptr);
        SDL_FreeSurface(s);
        EXPECT_EQ(line_count(message), 1) << message;
    }
}

TEST(bad_pictures, absurd_sizes_are_refused_before_loading) {
    temp_folder dir;
    const struct {
        std::int32_t w, h;
    } sizes[] = {{100000, 100000},
                 {0, 240},
                 {320, 0},
                 {-320, 240},
                 {2000000000, -2000000000},
                 {320, INT32_MIN},
                 {picture_max_side + 1, 10},
                 {10, -picture_max_side - 1}};
    for (const auto &size : sizes)
        expect_refused(dir.write("absurd.dat", claiming(size.w, size.h)), "refusing its size");
}

// The loader reads the old header's height as unsigned: 65535 is 65535 rows, not one
// top-down row, and would have it allocate hundreds of megabytes.
TEST(bad_pictures, tall_pictures_with_the_old_os2_header_are_refused) {
    temp_folder dir;
    for (unsigned height : {65535u, 64512u, 40000u, 32768u, picture_max_side + 1u})
        expect_refused(dir.write("os2.dat", make_core_bmp(1024, height, 24, bytes(4096, 0x55))),
                       "refusing its size 1024x" + std::to_string(height));
}

TEST(unusual_pictures, a_picture_with_the_old_os2_header_shows) {
    temp_folder dir;
    bytes px;
    for (int y = 2; y >= 0; --y)
        for (int x = 0; x < 4; ++x)
            for (int c = 2; c >= 0; --c)
                px.push_back(colours[y][x][c]);
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("os2.dat", make_core_bmp(4, 3, 24, px)), &s), "");
    expect_colours(s);
    SDL_FreeSurface(s);
}

TEST(bad_pictures, a_picture_one_pixel_wide_and_100000_tall_is_refused) {
    temp_folder dir;
    expect_refused(dir.write("tall.dat", claiming(1, 100000)), "refusing its size 1x100000");
    expect_refused(dir.write("tall.dat", claiming(1, -100000)), "refusing its size 1x-100000");
}

TEST(bad_pictures, absurd_depths_are_refused) {
    temp_folder dir;
    expect_refused(dir.write("depth.dat", claiming(4, 3, 0)), "depth");
    expect_refused(dir.write("depth.dat", claiming(4, 3, 3)), "depth");
    expect_refused(dir.write("depth.dat", claiming(4, 3, 65535)), "depth");
}

// The loader reads the first 256 entries of a palette that claims 2^32 - 1 and seeks to
// the pixels: nothing is read that is not there.
TEST(unusual_pictures, a_palette_claiming_four_billion_colours_loads) {
    temp_folder dir;
    bytes huge_palette = picture8();
    for (int i = 0; i < 4; ++i)
        huge_palette[14 + 32 + i] = 0xFF; // colours used: 0xFFFFFFFF
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("palette.dat", huge_palette), &s), "");
    EXPECT_NE(s, nullptr);
    SDL_FreeSurface(s);
}

// Compression type 3 means masks at 16 and 32 bits, but OS/2's Huffman coding at 1 bit and
// its run-length encoding at 24; the loader would show either as noise.
TEST(bad_pictures, bitfields_at_a_depth_without_masks_are_refused) {
    temp_folder dir;
    for (unsigned bpp : {1u, 4u, 8u, 24u})
        expect_refused(dir.write("huffman.dat", make_bmp(4, 3, bpp, bytes(48, 0x55), {}, 3)),
                       "bitfields (compression type 3) at " + std::to_string(bpp) + " bits");
}

// Run-length data starts at the bottom row; a top-down picture would show upside down.
TEST(bad_pictures, a_top_down_run_length_picture_is_refused) {
    temp_folder dir;
    const bytes palette(4 * 4, 0x80), runs = {4, 1, 0, 0, 4, 2, 0, 0, 4, 3, 0, 0, 0, 1};
    expect_refused(dir.write("rle.dat", make_bmp(4, -3, 8, runs, palette, 1)),
                   "run-length compression in a top-down picture");
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("rle.dat", make_bmp(4, 3, 8, runs, palette, 1)), &s), "");
    EXPECT_NE(s, nullptr);
    SDL_FreeSurface(s);
}

// Masks SDL has no pixel format for (here green above red) are refused by the loader, in
// one line with its reason.
TEST(bad_pictures, bitfields_sdl_has_no_format_for_are_refused_by_the_loader) {
    temp_folder dir;
    bytes masks;
    for (std::uint32_t mask : {0x0000FF00u, 0x00FF0000u, 0x000000FFu})
        for (int i = 0; i < 4; ++i)
            masks.push_back(mask >> 8 * i & 0xFF);
    expect_refused(dir.write("grb.dat", make_bmp(4, 3, 32, bytes(48, 0x55), {}, 3, masks)),
                   "cannot load");
}

TEST(bad_pictures, a_header_claiming_more_pixels_than_the_file_holds_is_refused) {
    temp_folder dir;
    // 1024x1024 at 32 bits would be 4 MiB of pixels; the file holds 64 bytes.
    expect_refused(dir.write("short.dat", claiming(picture_max_side, picture_max_side, 32)),
                   "cut short");
}

TEST(bad_pictures, every_truncation_of_a_valid_picture_is_refused) {
    temp_folder dir;
    const bytes whole = picture24(false);
    for (std::size_t n = 0; n < whole.size(); ++n) {
        SDL_Surface *s = nullptr;
        const bytes cut(whole.begin(), whole.begin() + n);
        const std::string message = load_and_capture(dir.write("cut.dat", cut), &s);
        EXPECT_EQ(s, nullptr) << n << " bytes";
        SDL_FreeSurface(s);
        EXPECT_EQ(line_count(message), 1) << message;
    }
}

TEST(bad_pictures, the_check_leaves_the_stream_where_it_was) {
    const bytes whole = picture24(false);
    bytes padded(5, 0);
    padded.insert(padded.end(), whole.begin(), whole.end());
    SDL_RWops *stream = SDL_RWFromConstMem(padded.data(), static_cast<int>(padded.size()));
    SDL_RWseek(stream, 5, RW_SEEK_SET);
    char why[160];
    EXPECT_TRUE(check_picture_header(stream, why, sizeof why)) << why;
    EXPECT_EQ(SDL_RWtell(stream), 5);
    SDL_RWclose(stream);
}

// In a child: limits the address space to what is in use plus 256 MiB, loads, and exits
// with 0 when the picture was refused.
void load_with_limited_memory(const std::string &path) {
    long pages = 0, resident = 0;
    std::FILE *f = std::fopen("/proc/self/statm", "r");
    if (!f || std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
        std::exit(3);
    std::fclose(f);
    const rlim_t limit = pages * sysconf(_SC_PAGESIZE) + (256L << 20);
    const rlimit r = {limit, limit};
    setrlimit(RLIMIT_AS, &r);
    SDL_Surface *s = load_picture(path.c_str());
    std::exit(s ? 1 : 0);
}

// The refusal must come before the loader allocates: with the address space limited to
// what the process already uses plus 256 MiB, a header claiming 100000x100000 at 32 bits
// (40 GB) is still refused with our message rather than failing inside the loader.
TEST(bad_pictures, an_absurd_header_allocates_nothing_big) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer reserves terabytes of address space";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address sanitizer reserves terabytes of address space";
#endif
#endif
    temp_folder dir;
    const std::string path = dir.write("absurd.dat", claiming(100000, 100000, 32));
    EXPECT_EXIT(load_with_limited_memory(path), testing::ExitedWithCode(0), "refusing its size");
    // 1024x65535 at 32 bits would be 256 MiB: more than the limit leaves.
    const std::string os2 = dir.write("os2.dat", make_core_bmp(1024, 65535, 32, bytes(4096, 0)));
    EXPECT_EXIT(load_with_limited_memory(os2), testing::ExitedWithCode(0),
                "refusing its size 1024x65535");
}

TEST(unusual_pictures, bottom_up_and_top_down_24_bit_pictures_show_the_same) {
    temp_folder dir;
    for (bool top_down : {false, true}) {
        SDL_Surface *s = nullptr;
        const std::string message = load_and_capture(dir.write("p.dat", picture24(top_down)), &s);
        EXPECT_EQ(message, "");
        expect_colours(s);
        SDL_FreeSurface(s);
    }
}

TEST(unusual_pictures, a_32_bit_picture_shows) {
    temp_folder dir;
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("p.dat", picture32()), &s), "");
    expect_colours(s);
    SDL_FreeSurface(s);
}

TEST(unusual_pictures, an_8_bit_paletted_picture_shows) {
    temp_folder dir;
    SDL_Surface *s = nullptr;
    EXPECT_EQ(load_and_capture(dir.write("p.dat", picture8()), &s), "");
    expect_colours(s);
    SDL_FreeSurface(s);
}

TEST(unusual_pictures, the_hand_made_fuzzing_seeds_all_load) {
    for (const char *name : {"pic8-palette.bmp", "pic16-565.bmp", "pic24-bottom-up.bmp",
                             "pic24-top-down.bmp", "pic32.bmp"}) {
        const std::string path = std::string("fuzz/corpus/") + name;
        SDL_Surface *s = nullptr;
        EXPECT_EQ(load_and_capture(path, &s), "") << path;
        EXPECT_NE(s, nullptr) << path;
        if (s) {
            EXPECT_EQ(s->w, 4);
            EXPECT_EQ(s->h, 3);
        }
        SDL_FreeSurface(s);
    }
}

// Runs the intro's own loading with the working directory in `dir`.
struct in_folder {
    char previous[4096];
    explicit in_folder(const std::string &dir) {
        if (!getcwd(previous, sizeof previous))
            previous[0] = 0;
        EXPECT_EQ(chdir(dir.c_str()), 0);
    }
    ~in_folder() { EXPECT_EQ(chdir(previous), 0); }
};

// All 17 pictures damaged in different ways: every slot is null or a valid surface, each
// refusal is one line, and frames through two slides' turns draw without a fault.
TEST(bad_pictures, the_intro_runs_with_every_picture_damaged) {
    temp_folder dir;
    const bytes valid = picture24(false);
    const bytes damaged[] = {
        {},                                       // empty
        bytes(valid.begin(), valid.begin() + 30), // cut in its headers
        bytes(valid.begin(), valid.end() - 5),    // cut in its pixels
        claiming(100000, 100000),                 // absurd
        claiming(0, 240),                         // zero width
        claiming(-10, 10),                        // negative width
        bytes(3000, 0xEE),                        // garbage
        picture8(),                               // valid, paletted
        picture32(),                              // valid, 32 bits
        picture24(true),                          // valid, top-down
    };
    dir.write("res/back.dat", damaged[3]);
    for (int i = 0; i < slide_count; ++i)
        if (i != 4) // sl4.dat is missing altogether
            dir.write("res/sl" + std::to_string(i) + ".dat", damaged[i % 10]);

    intro_pictures pictures;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        load_pictures(&pictures);
    }
    const std::string messages = testing::internal::GetCapturedStderr();

    EXPECT_EQ(pictures.background, nullptr);
    int loaded = 0;
    for (int i = 0; i < slide_count; ++i) {
        const bool valid_one = i % 10 >= 7 && i != 4;
        EXPECT_EQ(pictures.slides[i] != nullptr, valid_one) << "slide " << i;
        loaded += pictures.slides[i] != nullptr;
    }
    EXPECT_EQ(loaded, 3); // sl7, sl8 and sl9
    EXPECT_EQ(line_count(messages), 17 - loaded) << messages;
    EXPECT_NE(messages.find("res/sl4.dat"), std::string::npos);

    test_screen display;
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);
    for (int frame = 1; frame <= 274 + 2 * 510; ++frame)
        draw_frame(&state, &pictures);
    EXPECT_TRUE(display.guard_intact());
    free_pictures(&pictures);
}

} // namespace

namespace {

bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Starts the soundtrack the way the intro does, from res/theme.xm in `dir`, lets it play
// for a moment and stops it; returns what was said on stderr.
std::string play_module(const temp_folder &dir, const bytes &module) {
    dir.write("res/theme.xm", module);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        start_sound(&sound);
        SDL_Delay(20);
        halt_sound(&sound);
        close_sound(&sound);
    }
    return testing::internal::GetCapturedStderr();
}

// The module cut short at many lengths and overwritten with garbage: the intro starts,
// plays or stays silent with one line saying why, and stops, without a fault.
void damage_module(const bytes &module, const char *name) {
    ASSERT_GT(module.size(), 400u) << name;
    temp_folder dir;
    EXPECT_EQ(play_module(dir, module), "") << name << " as it is";
    std::mt19937 random(5);
    for (int round = 0; round < 24; ++round) {
        const bytes cut(module.begin(), module.begin() + random() % module.size());
        EXPECT_LE(line_count(play_module(dir, cut)), 1) << name << " cut at " << cut.size();
    }
    for (int round = 0; round < 24; ++round) {
        bytes garbled = module;
        const std::size_t from = round % 2 ? 60 : 17; // past the magic, or in the song header
        for (int k = 0; k < 1 + round; ++k)
            garbled[from + random() % (garbled.size() - from)] = random() & 0xFF;
        EXPECT_LE(line_count(play_module(dir, garbled)), 1) << name << " garbled " << round;
    }
    bytes noise(module.size());
    for (auto &b : noise)
        b = random() & 0xFF;
    EXPECT_EQ(line_count(play_module(dir, noise)), 1) << name << " as noise";
    EXPECT_EQ(line_count(play_module(dir, {})), 1) << name << " empty";
}

TEST(bad_module, a_small_module_cut_short_or_garbled_never_hurts) {
    damage_module(read_file("fuzz/corpus/tiny.xm"), "fuzz/corpus/tiny.xm");
}

TEST(bad_module, the_intro_s_own_module_cut_short_or_garbled_never_hurts) {
    const bytes module = read_file("res/theme.xm");
    if (module.empty())
        GTEST_SKIP() << "res/theme.xm is not there";
    damage_module(module, "res/theme.xm");
}

// The soundtrack is mixed at 22050 Hz, 16-bit stereo (the rate the module check works out
// the mixer's step for), and close_sound leaves no audio device open.
TEST(sound, the_music_is_mixed_at_22050_hz_and_the_device_closed_after) {
    temp_folder dir;
    dir.write("res/theme.xm", read_file("fuzz/corpus/tiny.xm"));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    int rate = 0, channels = 0;
    Uint16 format = 0;
    {
        in_folder here(dir.path);
        start_sound(&sound);
    }
    EXPECT_NE(sound.music, nullptr);
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 1);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(format, AUDIO_S16LSB);
    EXPECT_EQ(channels, 2);
    halt_sound(&sound);
    close_sound(&sound);
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 0) << "the audio device is still open";
}

TEST(bad_module, a_missing_module_leaves_the_intro_silent_with_one_line) {
    temp_folder dir;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        start_sound(&sound);
        halt_sound(&sound);
        close_sound(&sound);
    }
    const std::string message = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line_count(message), 1) << message;
    EXPECT_NE(message.find("res/theme.xm"), std::string::npos) << message;
}

} // namespace

namespace {

TEST(module_check, a_whole_module_passes_and_every_cut_of_it_is_refused) {
    const bytes module = read_file("fuzz/corpus/tiny.xm");
    ASSERT_FALSE(module.empty());
    char why[160];
    EXPECT_TRUE(check_module_bytes(module.data(), module.size(), why, sizeof why)) << why;
    for (std::size_t n = 0; n < module.size(); ++n)
        EXPECT_FALSE(check_module_bytes(module.data(), n, why, sizeof why)) << n << " bytes";
}

TEST(module_check, absurd_counts_are_refused) {
    const bytes module = read_file("fuzz/corpus/tiny.xm");
    ASSERT_FALSE(module.empty());
    char why[160];
    const struct {
        std::size_t at;
        unsigned value;
    } lies[] = {{64, 0}, {64, 300}, {68, 0}, {68, 1000}, {70, 65535}, {72, 65535}};
    for (const auto &lie : lies) {
        bytes bad = module;
        bad[lie.at] = lie.value & 0xFF;
        bad[lie.at + 1] = lie.value >> 8;
        EXPECT_FALSE(check_module_bytes(bad.data(), bad.size(), why, sizeof why)) << lie.at;
        EXPECT_NE(std::string(why).find("refusing"), std::string::npos) << why;
    }
}

// fuzz/corpus/tiny.xm (one order, one 16-row pattern, one instrument of one sample) with an
// effect in row 1 of channel 0, an empty cell until then.
bytes tiny_with_effect(unsigned char effect, unsigned char parameter) {
    bytes module = read_file("fuzz/corpus/tiny.xm");
    const std::size_t packed_size = 336 + 7, row_1 = 336 + 9 + 4;
    if (module.size() < row_1 || module[row_1] != 0x80)
        return {};
    module[row_1] = 0x98; // effect and parameter follow
    module.insert(module.begin() + row_1 + 1, {effect, parameter});
    module[packed_size] += 2;
    return module;
}

// tiny.xm with its instrument's header byte `at` set to `value`, and its volume envelope
// switched on with a sustain point (`flags` 3) or a loop (5).
bytes tiny_with_instrument_byte(std::size_t at, unsigned char value, unsigned char flags = 3) {
    bytes module = read_file("fuzz/corpus/tiny.xm");
    const std::size_t instrument = 336 + 9 + 40;
    if (module.size() < instrument + 263)
        return {};
    module[instrument + 225] = 2; // points
    module[instrument + 233] = flags;
    module[instrument + at] = value;
    return module;
}

// tiny.xm with its one order naming pattern `pattern`.
bytes tiny_with_order(unsigned char pattern) {
    bytes module = read_file("fuzz/corpus/tiny.xm");
    if (module.size() < 81)
        return {};
    module[80] = pattern;
    return module;
}

// Each limit the player's reads depend on, one step inside it and exactly at it.
TEST(module_check, each_limit_is_refused_exactly_at_it) {
    const struct {
        const char *what;
        bytes inside, at_limit;
        const char *reason;
    } limits[] = {
        {"a jump to an order (B) of a song of 1", tiny_with_effect(0xb, 0),
         tiny_with_effect(0xb, 1), "jumps to order 1 of a song of 1 orders"},
        {"an envelope position (L) of the player's 32 points", tiny_with_effect('L' - 55, 31),
         tiny_with_effect('L' - 55, 32), "(L20) past the 32 points"},
        {"the sustain point of 2 points", tiny_with_instrument_byte(227, 1),
         tiny_with_instrument_byte(227, 2), "sustains at point 2 of its 2 points"},
        {"the loop end of 2 points", tiny_with_instrument_byte(229, 1, 5),
         tiny_with_instrument_byte(229, 2, 5), "loops over points 0 to 2 of its 2"},
        {"the pattern an order names of 1", tiny_with_order(0), tiny_with_order(1),
         "order 0 names pattern 1 of 1"},
        {"the sample note 95 plays of 1", tiny_with_instrument_byte(33 + 95, 0),
         tiny_with_instrument_byte(33 + 95, 1), "plays note 95 with sample 1 of its 1"},
    };
    for (const auto &limit : limits) {
        ASSERT_FALSE(limit.inside.empty() || limit.at_limit.empty()) << limit.what;
        char why[160] = "";
        EXPECT_TRUE(check_module_bytes(limit.inside.data(), limit.inside.size(), why, sizeof why))
            << limit.what << ": " << why;
        EXPECT_FALSE(
            check_module_bytes(limit.at_limit.data(), limit.at_limit.size(), why, sizeof why))
            << limit.what;
        EXPECT_NE(std::string(why).find(limit.reason), std::string::npos) << why;
    }
}

TEST(module_check, the_intro_s_own_module_passes) {
    char why[160] = "";
    if (read_file("res/theme.xm").empty())
        GTEST_SKIP() << "res/theme.xm is not there";
    EXPECT_TRUE(check_module("res/theme.xm", why, sizeof why)) << why;
}

// The check reads at most module_largest_file bytes: a module padded to exactly that is
// walked (and passes, trailing bytes being harmless), one byte more is refused unread.
TEST(module_check, a_module_of_the_largest_size_is_walked_and_one_byte_more_refused) {
    temp_folder dir;
    const std::string path = dir.write("large.xm", read_file("fuzz/corpus/tiny.xm"));
    ASSERT_EQ(truncate(path.c_str(), module_largest_file), 0);
    char why[160] = "";
    EXPECT_TRUE(check_module(path.c_str(), why, sizeof why)) << why;
    ASSERT_EQ(truncate(path.c_str(), module_largest_file + 1), 0);
    EXPECT_FALSE(check_module(path.c_str(), why, sizeof why));
    EXPECT_NE(std::string(why).find("larger than 64 MiB"), std::string::npos) << why;
}

} // namespace

namespace {

// All 18 files missing: 17 pictures and the module each named once, silence, and frames
// that draw through both slides' turns without touching a null surface.
TEST(bad_media, every_file_missing) {
    temp_folder dir;
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    intro_pictures pictures;
    intro_sound sound;
    testing::internal::CaptureStderr();
    {
        in_folder here(dir.path);
        load_pictures(&pictures);
        start_sound(&sound);
    }
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line_count(messages), 18) << messages;
    EXPECT_NE(messages.find("res/back.dat"), std::string::npos);
    EXPECT_NE(messages.find("res/sl15.dat"), std::string::npos);
    EXPECT_NE(messages.find("res/theme.xm"), std::string::npos);
    EXPECT_EQ(pictures.background, nullptr);
    for (SDL_Surface *slide : pictures.slides)
        EXPECT_EQ(slide, nullptr);
    EXPECT_EQ(sound.music, nullptr);

    test_screen display;
    static intro_state state;
    intro_prepare(&state);
    intro_begin(&state);
    for (int frame = 1; frame <= 274 + 2 * 510; ++frame)
        draw_frame(&state, &pictures);
    EXPECT_TRUE(display.guard_intact());
    halt_sound(&sound);
    close_sound(&sound);
    free_pictures(&pictures);
}

} // namespace
