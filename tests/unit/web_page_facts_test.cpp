// The intro's facts as the web page, which is not C++, writes them again: it fetches each
// file of res/ by name before the intro starts, and plays the mixer's stream as it is.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "files.h"
#include "intro/screen_sound_media.h"

namespace {

std::string page() {
    const bytes page = read_file("tools/web/page.js");
    EXPECT_FALSE(page.empty()) << "run from the repository's folder";
    return std::string(page.begin(), page.end());
}

TEST(web_page, fetches_exactly_the_media_files_the_intro_reads) {
    const std::string text = page();
    std::smatch list;
    ASSERT_TRUE(std::regex_search(text, list, std::regex(R"(const media_files = \[([^\]]*)\])")));
    std::vector<std::string> fetched;
    const std::string names = list[1];
    const std::regex quoted("'([^']*)'");
    for (auto i = std::sregex_iterator(names.begin(), names.end(), quoted);
         i != std::sregex_iterator(); ++i)
        fetched.push_back(std::string(media_folder) + "/" + (*i)[1].str());

    std::vector<std::string> read(std::begin(picture_files), std::end(picture_files));
    read.push_back(music_file);
    EXPECT_EQ(fetched, read);
}

TEST(web_page, plays_the_sound_at_the_intro_s_audio_rate) {
    const std::string text = page();
    std::smatch rate;
    ASSERT_TRUE(
        std::regex_search(text, rate, std::regex(R"(new AudioContext\(\{sampleRate: (\d+)\}\))")));
    EXPECT_EQ(std::stoi(rate[1]), audio_rate);
}

} // namespace
