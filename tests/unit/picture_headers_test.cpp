// Lying BMP headers: absurd sizes and depths, compressions at depths that have none, more
// pixels claimed than the file holds; each is refused in one line before the loader
// allocates for it.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "intro/picture_header.h"
#include "intro/pictures.h"
#include "media_fixtures.h"

namespace {

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
        expect_refused(dir.write("os2.dat", bmp_core_file(1024, height, 24, bytes(4096, 0x55))),
                       "refusing its size 1024x" + std::to_string(height));
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
        put_le32(&masks, mask);
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

// The largest header the loader knows (124 bytes) passes and one byte more is refused; a
// picture whose pixels end exactly at the file's end passes and one byte less is refused.
TEST(bad_pictures, the_header_size_and_the_pixels_are_refused_one_byte_past_their_limits) {
    const auto check = [](const bytes &file, std::string *why_out) {
        SDL_RWops *stream = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
        char why[160] = "";
        const bool passed = check_picture_header(stream, why, sizeof why);
        SDL_RWclose(stream);
        *why_out = why;
        return passed;
    };
    const bytes whole = picture24(false);
    std::string why;
    for (std::uint32_t header_size : {124u, 125u}) {
        bytes claimed = whole;
        claimed[14] = header_size & 0xFF;
        EXPECT_EQ(check(claimed, &why), header_size == 124) << header_size << ": " << why;
    }
    EXPECT_NE(why.find("unknown BMP header size 125"), std::string::npos) << why;
    EXPECT_TRUE(check(whole, &why)) << why;
    EXPECT_FALSE(check(bytes(whole.begin(), whole.end() - 1), &why));
    EXPECT_NE(why.find("cut short: 4x3 at 24 bits"), std::string::npos) << why;
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
    const std::string os2 = dir.write("os2.dat", bmp_core_file(1024, 65535, 32, bytes(4096, 0)));
    EXPECT_EXIT(load_with_limited_memory(os2), testing::ExitedWithCode(0),
                "refusing its size 1024x65535");
}

} // namespace
