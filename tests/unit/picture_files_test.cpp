// Picture files that are not pictures: missing, not regular files, too large, empty, noise;
// each is refused in one line naming it, and the intro runs with every picture damaged.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <random>

#include "intro/media_file.h"
#include "intro/pictures.h"
#include "media_fixtures.h"

namespace {

TEST(bad_pictures, a_missing_file_is_named_and_skipped) {
    temp_folder dir;
    expect_refused(dir.path + "/res/nothing.dat", "cannot read");
    expect_refused(dir.path + "/res/nothing.dat", "no such file or directory");
}

// None of these is opened at all, so none can block the start; each is named for what it is.
TEST(bad_pictures, what_is_not_a_regular_file_is_refused_for_what_it_is) {
    temp_folder dir;
    expect_refused(dir.path, "it is a folder, not a regular file");
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
    expect_loads_as_the_picture(link);
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
    expect_loads_as_the_picture(path);
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

    EXPECT_TRUE(frames_draw_within_the_screen(&pictures));
    free_pictures(&pictures);
}

} // namespace
