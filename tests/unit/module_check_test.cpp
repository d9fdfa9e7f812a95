// The module check on fuzz/corpus/tiny.xm and res/theme.xm: whole modules pass, every cut and
// absurd count is refused, and each limit the player's reads depend on is refused exactly at
// it and not one step inside.
#include <gtest/gtest.h>

#include <unistd.h>

#include "files.h"
#include "intro/media_file.h"
#include "intro/module_check.h"

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

// tiny.xm with byte `at` of its song header set to `value`: 66 the restart order, 80 the
// pattern its one order names.
bytes tiny_with_song_byte(std::size_t at, unsigned char value) {
    bytes module = read_file("fuzz/corpus/tiny.xm");
    if (module.size() <= at)
        return {};
    module[at] = value;
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
        {"the pattern an order names of 1", tiny_with_song_byte(80, 0), tiny_with_song_byte(80, 1),
         "order 0 names pattern 1 of 1"},
        {"the restart order of a song of 1", tiny_with_song_byte(66, 0), tiny_with_song_byte(66, 1),
         "refusing restart at order 1"},
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
