// The intro's media files as lists outside C++ hold them: the web page fetches each file of
// res/ by name before the intro starts, so its list must be the intro's own.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "files.h"
#include "intro/screen_sound_media.h"

namespace {

TEST(media_files, the_web_page_fetches_exactly_the_files_the_intro_reads) {
    const bytes page = read_file("tools/web/page.js");
    ASSERT_FALSE(page.empty()) << "run from the repository's folder";
    const std::string text(page.begin(), page.end());
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

} // namespace
