// The shape of the shipped scroll text: its length, its runs of spaces, its hearts, the
// bytes it may hold and the libraries it credits, all counted from the array itself.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "intro/scroller.h"

namespace {

struct run {
    int start;
    int length;
    char byte;
};

// The text cut into runs of equal bytes, in order.
std::vector<run> runs_of(const std::string &text) {
    std::vector<run> runs;
    for (int i = 0; i < static_cast<int>(text.size());) {
        int j = i;
        while (j < static_cast<int>(text.size()) && text[j] == text[i])
            ++j;
        runs.push_back({i, j - i, text[i]});
        i = j;
    }
    return runs;
}

std::vector<run> space_runs(const std::string &text) {
    std::vector<run> spaces;
    for (const run &r : runs_of(text))
        if (r.byte == ' ')
            spaces.push_back(r);
    return spaces;
}

const std::string text = scroll_text;
// Where the long pause before the hidden line starts.
const size_t pause_start = text.find(std::string(279, ' '));

TEST(ScrollText, Is2017CharactersBeforeItsNul) {
    EXPECT_EQ(std::strlen(scroll_text), 2017u);
    EXPECT_EQ(text.size(), 2017u);
}

TEST(ScrollText, HoldsPrintableAsciiAndOneRunOfFourHearts) {
    int hearts = 0;
    for (char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c == 3)
            ++hearts;
        else
            EXPECT_TRUE(c >= 32 && c <= 126) << "byte " << int(c);
    }
    EXPECT_EQ(hearts, 4);
    int heart_runs = 0;
    for (const run &r : runs_of(text))
        if (r.byte == 3) {
            ++heart_runs;
            EXPECT_EQ(r.length, 4);
        }
    EXPECT_EQ(heart_runs, 1);
}

TEST(ScrollText, StartsWith30SpacesAndEndsWith3) {
    const std::vector<run> spaces = space_runs(text);
    ASSERT_GE(spaces.size(), 3u);
    EXPECT_EQ(spaces.front().start, 0);
    EXPECT_EQ(spaces.front().length, 30);
    EXPECT_EQ(spaces.back().start + spaces.back().length, 2017);
    EXPECT_EQ(spaces.back().length, 3);
}

TEST(ScrollText, SentencesAreTenSpacesApartWithSingleSpacesInside) {
    const std::vector<run> spaces = space_runs(text);
    int gaps = 0, long_pauses = 0;
    for (size_t i = 1; i + 1 < spaces.size(); ++i) {
        const int n = spaces[i].length;
        EXPECT_TRUE(n == 1 || n == 10 || n == 279)
            << n << " spaces at " << spaces[i].start << ": a sentence holds single spaces only";
        gaps += n == 10;
        long_pauses += n == 279;
    }
    EXPECT_GE(gaps, 8) << "the message is a row of sentences";
    EXPECT_EQ(long_pauses, 1);
}

TEST(ScrollText, ShortSecondMessageFollowsTheLongPause) {
    ASSERT_NE(pause_start, std::string::npos);
    const size_t second_start = pause_start + 279;
    const size_t second_end = text.size() - 3;
    ASSERT_LT(second_start, second_end);
    const std::string main_message = text.substr(30, pause_start - 30);
    const std::string second = text.substr(second_start, second_end - second_start);
    EXPECT_EQ(second.find("          "), std::string::npos);
    EXPECT_LT(second.size() * 5, main_message.size()) << "the second message is short";
    EXPECT_NE(main_message.find("\3\3\3\3"), std::string::npos)
        << "the hearts are in the main message";
    EXPECT_NE(main_message.find("WAVELENGTH"), std::string::npos);
}

// The code, font, pictures and music are ours; the libraries the intro runs on are not, and
// the message thanks them by name.
TEST(ScrollText, CreditsTheLibrariesByName) {
    for (const char *library : {"SDL_mixer", "libmikmod", "sdl12-compat"})
        EXPECT_LT(text.find(library), pause_start) << library;
}

} // namespace
