// Modules built so that SDL_mixer's module player (libmikmod) reads outside what it loaded,
// or hands an XM to another format's loader: played unchecked under valgrind they make
// invalid reads, and the intro's start-up refuses each with one line before the player
// sees it. The modules are written by fuzz/make_seeds.py into fuzz/corpus.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct hostile {
    const char *file;
    const char *reason;       // what the intro's line says
    bool faults_unchecked;    // valgrind sees invalid reads when it plays unchecked
    std::size_t signature_at; // another format's signature, or 0
    const char *signature;
};

const hostile modules[] = {
    {"bad-volume-sustain.xm", "volume envelope sustains at point 200 of its 2 points", true, 0,
     nullptr},
    {"bad-volume-loop.xm", "volume envelope loops over points 200 to 1 of its 2", true, 0, nullptr},
    {"bad-panning-sustain.xm", "panning envelope sustains at point 250 of its 2 points", true, 0,
     nullptr},
    {"bad-envelope-position.xm", "sets an envelope position (LFF) past the 12 points", true, 0,
     nullptr},
    {"bad-empty-instrument.xm", "row 4 plays instrument 2, which has no samples", true, 0, nullptr},
    {"bad-jump-past-song.xm", "row 2 jumps to order 4 of a song of 2 orders", true, 0, nullptr},
    {"bad-high-note-short-loop.xm", "loops over 16 samples, fewer than the 21.6", true, 0, nullptr},
    {"bad-slide-short-loop.xm", "loops over 16 samples, fewer than the 23.4", true, 0, nullptr},
    {"bad-offset-past-ping-pong.xm", "offset of 256 lies past the end (128) of the ping-pong", true,
     0, nullptr},
    {"bad-signature-mod.xm", "signature of a MOD at byte 1080", true, 1080, "M.K."},
    // These two the other loader refuses: the player does not read them as the XM they are.
    {"bad-signature-s3m.xm", "signature of a Scream Tracker 3 module at byte 44", false, 44,
     "SCRM"},
    {"bad-signature-stm.xm", "signature of a Scream Tracker 2 module at byte 20", false, 20,
     "!Scream!"},
    // No read valgrind sees, but the player would read a row, a sample, a loop or a table
    // entry that the module does not have.
    {"bad-break-past-pattern.xm", "row 2 breaks to row 40 of pattern 1, which has 16 rows", false,
     0, nullptr},
    {"bad-sample-map.xm", "plays note 0 with sample 5 of its 1", false, 0, nullptr},
    {"bad-loop-past-sample.xm", "loops over bytes 8 to 108 of its 16", false, 0, nullptr},
    {"bad-amiga-finetune.xm", "finetune of 127, past the end of the player's Amiga period", false,
     0, nullptr},
};

void PrintTo(const hostile &m, std::ostream *out) {
    *out << m.file;
}

const std::string corpus = std::string(SOURCE_DIR) + "/fuzz/corpus/";

struct outcome {
    int status;
    std::string output;
};

// Runs a shell command with stderr joined to stdout.
outcome run(const std::string &command) {
    outcome o{-1, ""};
    std::FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (!p)
        return o;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
        o.output.append(buffer, n);
    const int status = pclose(p);
    o.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return o;
}

std::vector<char> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct temp_folder {
    std::string path;
    temp_folder() {
        char name[] = "/tmp/hostile-module-XXXXXX";
        path = mkdtemp(name);
        run("mkdir -p '" + path + "/res'");
    }
    ~temp_folder() { run("rm -rf '" + path + "'"); }
    std::string write(const std::string &name, const std::vector<char> &data) const {
        const std::string file = path + "/" + name;
        std::ofstream(file, std::ios::binary).write(data.data(), data.size());
        return file;
    }
};

const std::string player = PLAYER_EXE;
std::string test_name(const ::testing::TestParamInfo<hostile> &info) {
    std::string name = info.param.file;
    name = name.substr(4, name.size() - 7); // bad-....xm
    for (char &c : name)
        c = c == '-' ? '_' : c;
    return name;
}

class Hostile : public ::testing::TestWithParam<hostile> {};

// The intro's own start-up, with the module as res/theme.xm: one line naming the file and
// the reason, no music, and the player never reached.
TEST_P(Hostile, TheIntroRefusesItWithOneLine) {
    const hostile &m = GetParam();
    temp_folder dir;
    dir.write("res/theme.xm", read_file(corpus + m.file));
    const outcome o = run("cd '" + dir.path + "' && '" + player + "' --intro 0.5");
    EXPECT_EQ(o.status, 3) << o.output;
    const std::string line = "intro: no music: not loading res/theme.xm: ";
    EXPECT_EQ(o.output.substr(0, line.size()), line) << o.output;
    EXPECT_NE(o.output.find(m.reason), std::string::npos) << o.output;
    EXPECT_EQ(o.output.find('\n'), o.output.size() - 1) << o.output;
}

INSTANTIATE_TEST_SUITE_P(Modules, Hostile, ::testing::ValuesIn(modules), test_name);

#if HAVE_VALGRIND
const std::string valgrind = std::string(VALGRIND) + " -q --error-exitcode=99 ";

std::vector<hostile> seen_by_valgrind() {
    std::vector<hostile> v;
    for (const hostile &m : modules)
        if (m.faults_unchecked || m.signature_at)
            v.push_back(m);
    return v;
}

class Unchecked : public ::testing::TestWithParam<hostile> {};

// What the player does with the module when nothing checks it first.
TEST_P(Unchecked, ThePlayerReadsOutOfBoundsOrTakesItForAnotherFormat) {
    const hostile &m = GetParam();
    if (m.faults_unchecked) {
        const outcome o = run(valgrind + "'" + player + "' 0.5 '" + corpus + m.file + "'");
        EXPECT_EQ(o.status, 99) << o.output;
        EXPECT_NE(o.output.find("Invalid read"), std::string::npos) << o.output;
    } else if (m.signature_at) {
        // The same bytes without the signature load and play as an XM; with it they go to
        // another loader.
        std::vector<char> bytes = read_file(corpus + m.file);
        ASSERT_GT(bytes.size(), m.signature_at + 8);
        temp_folder dir;
        const outcome signed_ =
            run(valgrind + "'" + player + "' 0.5 '" + dir.write("signed.xm", bytes) + "'");
        for (std::size_t i = 0; m.signature[i]; ++i)
            bytes[m.signature_at + i] = 0;
        const outcome unsigned_ =
            run(valgrind + "'" + player + "' 0.5 '" + dir.write("unsigned.xm", bytes) + "'");
        EXPECT_EQ(unsigned_.status, 0) << unsigned_.output;
        EXPECT_EQ(signed_.status, 3) << signed_.output;
        EXPECT_NE(signed_.output.find("cannot load"), std::string::npos) << signed_.output;
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, Unchecked, ::testing::ValuesIn(seen_by_valgrind()), test_name);

// The same harness on modules the check admits (busy.xm uses every effect and envelope
// shape the check lets through): valgrind finds nothing, so what it finds in the hostile
// ones comes from them, and the check does not refuse what plays clean.
TEST(Harmless, TheCheckAdmitsThemAndTheyPlayCleanUnderValgrind) {
    for (const std::string &file :
         {corpus + "tiny.xm", corpus + "busy.xm", std::string(SOURCE_DIR) + "/res/theme.xm"}) {
        const outcome o = run(valgrind + "'" + player + "' --checked 0.5 '" + file + "'");
        EXPECT_EQ(o.status, 0) << file << "\n" << o.output;
        EXPECT_NE(o.output.find("module-player: mixed"), std::string::npos) << o.output;
    }
}

// The intro's own start and stop of the music under valgrind's leak check: close_sound gives
// back what start_sound took, the music above all. (In the sanitizer build, where valgrind
// cannot run, the leak check at the intro's exit does the same in the end-to-end tests.)
TEST(Harmless, TheIntroFreesTheMusicItPlayed) {
    temp_folder dir;
    dir.write("res/theme.xm", read_file(corpus + "tiny.xm"));
    const outcome o = run("cd '" + dir.path + "' && " + valgrind +
                          "--leak-check=full --errors-for-leak-kinds=definite,indirect '" + player +
                          "' --intro 0.5");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("module-player: mixed"), std::string::npos) << o.output;
}
#endif

} // namespace
