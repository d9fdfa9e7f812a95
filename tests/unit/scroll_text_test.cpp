// The shipped scroll text: its shape (length, runs of spaces, hearts, the bytes it may hold),
// counted from the array itself, and what it says: the crew by handle, the libraries thanked
// in one short sentence, groups greeted by name, and a pause as long as it announces, timed
// by the scroller itself.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "intro/scroller.h"
#include "surfaces.h"

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

// The sentences of the main message, in order.
std::vector<std::string> sentences() {
    std::vector<std::string> all;
    const std::string gap(10, ' ');
    for (size_t at = 30; at < pause_start;) {
        const size_t end = std::min(text.find(gap, at), pause_start);
        all.push_back(text.substr(at, end - at));
        at = end + gap.size();
    }
    return all;
}

// The code, font, pictures and music are ours; the libraries the intro runs on are not, and
// the message thanks them by name, in one sentence short enough to read in about 12 s at the
// scroller's 8.3 characters a second.
TEST(ScrollText, CreditsTheLibrariesByNameInOneShortSentence) {
    int thanks = 0;
    for (const std::string &sentence : sentences())
        if (sentence.find("SDL_mixer") != std::string::npos) {
            ++thanks;
            for (const char *library : {"libmikmod", "sdl12-compat"})
                EXPECT_NE(sentence.find(library), std::string::npos) << library;
            EXPECT_LE(sentence.size(), 100u) << sentence;
        }
    EXPECT_EQ(thanks, 1);
}

// Each role goes to someone: after "Code:", "Pictures:", "Music:" and "Font:" comes a handle,
// a capitalised name, a different one for each role.
TEST(ScrollText, CreditsEachRoleToAHandle) {
    std::set<std::string> handles;
    for (const std::string role : {"Code: ", "Pictures: ", "Music: ", "Font: "}) {
        const size_t at = text.find(role);
        ASSERT_LT(at, pause_start) << role;
        const size_t from = at + role.size();
        const std::string handle = text.substr(from, text.find_first_of(" ,.", from) - from);
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(handle[0]))) << role << handle;
        handles.insert(handle);
    }
    EXPECT_EQ(handles.size(), 4u);
}

// The greetings go to groups by name: a list of at least four, each starting with a capital.
TEST(ScrollText, GreetsGroupsByName) {
    const std::string greetings = "Greetings fly out to ";
    const size_t at = text.find(greetings);
    ASSERT_LT(at, pause_start);
    const size_t from = at + greetings.size();
    std::string list = text.substr(from, text.find('.', from) - from);
    int groups = 0;
    for (size_t i = 0; i < list.size();) {
        const size_t next = std::min(list.find(", ", i), list.find(" and ", i));
        std::string name = list.substr(i, next - i);
        if (name.rfind("the ", 0) == 0)
            name.erase(0, 4);
        EXPECT_TRUE(!name.empty() && std::isupper(static_cast<unsigned char>(name[0]))) << name;
        ++groups;
        i = next == std::string::npos ? list.size() : list.find(' ', next + 1) + 1;
    }
    EXPECT_GE(groups, 4) << list;
}

// The message speaks to the viewer about what is on the screen, not about how we made sure of
// it.
TEST(ScrollText, SaysNothingOfOurTests) {
    std::string lower = text;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(lower.find("test"), std::string::npos);
}

// The last sentence before the pause promises half a minute without text, and the scroller
// keeps it: run for one pass of the message, its band is empty for 25 to 35 s at most once,
// counting the intro's 40 ms frames.
TEST(ScrollText, ThePauseLastsAsLongAsTheMessageSays) {
    EXPECT_NE(sentences().back().find("half a minute"), std::string::npos) << sentences().back();
    test_screen display;
    static scroller_state s;
    scroller_prepare(&s, scroll_text);
    int empty_run = 0, longest = 0;
    for (int frame = 1; frame <= 3 * (static_cast<int>(text.size()) + 1); ++frame) {
        scroller_step(&s, frame_counter_in_frame(frame));
        bool empty = true;
        for (int cell : s.cells)
            empty = empty && cell == 0;
        empty_run = empty ? empty_run + 1 : 0;
        longest = std::max(longest, empty_run);
    }
    const double seconds = longest * frame_pause_ms / 1000.0;
    EXPECT_GE(seconds, 25.0);
    EXPECT_LE(seconds, 35.0);
}

} // namespace
