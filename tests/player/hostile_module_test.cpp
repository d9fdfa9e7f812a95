// Modules built so that SDL_mixer's module player (libmikmod) reads outside what it loaded,
// or hands an XM to another format's loader: played unchecked under valgrind they make
// invalid reads, and the intro's start-up refuses each with one line before the player
// sees it. The modules are written by fuzz/make_seeds.py into fuzz/corpus. Valid modules
// the check once refused, or let through to play as noise, are made here with make-music's
// XM writer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "command.h"
#include "files.h"
#include "xm_writer.h"

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
    {"bad-envelope-position.xm", "sets an envelope position (LFF) past the 32 points", true, 0,
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
    const command_output o = run_command("cd '" + dir.path + "' && '" + player + "' --intro 0.5");
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
        const command_output o =
            run_command(valgrind + "'" + player + "' 0.5 '" + corpus + m.file + "'");
        EXPECT_EQ(o.status, 99) << o.output;
        EXPECT_NE(o.output.find("Invalid read"), std::string::npos) << o.output;
    } else if (m.signature_at) {
        // The same bytes without the signature load and play as an XM; with it they go to
        // another loader.
        bytes module = read_file(corpus + m.file);
        ASSERT_GT(module.size(), m.signature_at + 8);
        temp_folder dir;
        const command_output signed_ =
            run_command(valgrind + "'" + player + "' 0.5 '" + dir.write("signed.xm", module) + "'");
        for (std::size_t i = 0; m.signature[i]; ++i)
            module[m.signature_at + i] = 0;
        const command_output unsigned_ = run_command(valgrind + "'" + player + "' 0.5 '" +
                                                     dir.write("unsigned.xm", module) + "'");
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
        const command_output o =
            run_command(valgrind + "'" + player + "' --checked 0.5 '" + file + "'");
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
    const command_output o = run_command(
        "cd '" + dir.path + "' && " + valgrind +
        "--leak-check=full --errors-for-leak-kinds=definite,indirect '" + player + "' --intro 0.5");
    EXPECT_EQ(o.status, 0) << o.output;
    EXPECT_NE(o.output.find("module-player: mixed"), std::string::npos) << o.output;
}
#endif

// Small modules of our own, written by make-music's writer and rearranged where the case
// needs what the writer does not write. Each plays one pattern of 16 rows at speed 3:
// 16 * 3 ticks of 2.5 / 125 s, under a second.
using module_bytes = bytes;
const double made_module_seconds = 16 * 3 * 2.5 / 125;

// The song header, one pattern per module pattern and one instrument with one sample each.
const std::size_t xm_patterns_at = 336, xm_instrument_header = 263, xm_sample_header = 40;

void put_u16(module_bytes &b, std::size_t at, unsigned v) {
    b[at] = v & 0xFF;
    b[at + 1] = v >> 8 & 0xFF;
}

void put_u32(module_bytes &b, std::size_t at, std::uint32_t v) {
    put_u16(b, at, v & 0xFFFF);
    put_u16(b, at + 2, v >> 16);
}

std::uint32_t get_u32(const module_bytes &b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

xm_instrument square_instrument() {
    xm_instrument ins;
    ins.name = "square";
    for (int i = 0; i < 64; ++i)
        ins.sample.data.push_back(i < 32 ? 12000 : -12000);
    ins.sample.eight_bit = true;
    ins.sample.loop = xm_loop_forward;
    ins.sample.loop_length = 64;
    return ins;
}

// One pattern of 16 rows and two channels; `cells` as {row, channel, cell}.
struct placed_cell {
    int row, channel;
    xm_cell cell;
};

xm_module small_module(std::initializer_list<placed_cell> cells, int instruments = 1) {
    xm_module m;
    m.name = "made";
    m.channels = 2;
    m.speed = 3;
    m.orders = {0};
    xm_pattern p;
    p.rows = 16;
    p.cells.resize(p.rows * m.channels);
    for (const placed_cell &c : cells)
        p.cells[c.row * m.channels + c.channel] = c.cell;
    m.patterns = {p};
    m.instruments.assign(instruments, square_instrument());
    return m;
}

// Where instrument `n` (from 0) of a module written by xm_write starts.
std::size_t instrument_at(const module_bytes &b, unsigned n) {
    std::size_t at = xm_patterns_at;
    for (unsigned p = 0, n = b[70] | b[71] << 8; p < n; ++p)
        at += get_u32(b, at) + (b[at + 7] | b[at + 8] << 8);
    for (unsigned i = 0; i < n; ++i)
        at += get_u32(b, at) + xm_sample_header + get_u32(b, at + get_u32(b, at));
    return at;
}

// An envelope position past the 12 points of an instrument header: L0C and L1F, on an
// instrument whose volume envelope runs over 40 ticks.
module_bytes envelope_position(unsigned char position) {
    xm_module m = small_module({{0, 0, {49, 1, 0, 0, 0}},
                                {4, 0, {0, 0, 0, 'L' - 55, 0x0C}},
                                {8, 0, {0, 0, 0, 'L' - 55, position}}});
    xm_envelope &e = m.instruments[0].volume_envelope;
    e.points = 3;
    e.x[1] = 20;
    e.x[2] = 40;
    e.y[0] = 64;
    e.y[1] = 32;
    e.y[2] = 48;
    return xm_write(m);
}

// Instrument 2 without samples, played in row 8; no instrument has an envelope, or with
// `envelope` instrument 1's volume envelope is on.
module_bytes empty_instrument_played(bool envelope) {
    xm_module m = small_module({{0, 0, {49, 1, 0, 0, 0}}, {8, 1, {49, 2, 0, 0, 0}}});
    if (envelope) {
        m.instruments[0].volume_envelope.points = 2;
        m.instruments[0].volume_envelope.x[1] = 10;
        m.instruments[0].volume_envelope.y[0] = 64;
    }
    module_bytes b = xm_write(m);
    module_bytes empty(29, 0);
    empty[0] = 29;
    b.insert(b.end(), empty.begin(), empty.end());
    put_u16(b, 72, 2);
    return b;
}

// Four instruments, the file cut 24 bytes into the third; the pattern plays instrument
// `played`.
module_bytes cut_inside_an_instrument(unsigned char played) {
    module_bytes b =
        xm_write(small_module({{0, 0, {49, 1, 0, 0, 0}}, {4, 1, {52, played, 0, 0, 0}}}, 4));
    b.resize(instrument_at(b, 2) + 24);
    return b;
}

// The same module laid out as XM `version` 1.02 or 1.03 store it: the instruments and
// their sample headers first, then the patterns (1.02: an 8-byte pattern header, the rows
// less one in one byte), then all sample data.
module_bytes older_version(unsigned version) {
    const module_bytes b =
        xm_write(small_module({{0, 0, {49, 1, 0, 0, 0}}, {6, 1, {56, 2, 0, 0, 0}}}, 2));
    module_bytes out(b.begin(), b.begin() + xm_patterns_at), patterns, data;
    put_u16(out, 58, version);
    for (std::size_t at = xm_patterns_at; at < instrument_at(b, 0);) {
        const unsigned rows = b[at + 5] | b[at + 6] << 8, packed = b[at + 7] | b[at + 8] << 8;
        module_bytes header(b.begin() + at, b.begin() + at + 9);
        if (version == 0x0102)
            header = {8, 0, 0, 0, 0, static_cast<std::uint8_t>(rows - 1), b[at + 7], b[at + 8]};
        patterns.insert(patterns.end(), header.begin(), header.end());
        patterns.insert(patterns.end(), b.begin() + at + get_u32(b, at),
                        b.begin() + at + get_u32(b, at) + packed);
        at += get_u32(b, at) + packed;
    }
    for (unsigned i = 0; i < 2; ++i) {
        const std::size_t at = instrument_at(b, i),
                          headers = xm_instrument_header + xm_sample_header;
        out.insert(out.end(), b.begin() + at, b.begin() + at + headers);
        data.insert(data.end(), b.begin() + at + headers,
                    b.begin() + at + headers + get_u32(b, at + xm_instrument_header));
    }
    out.insert(out.end(), patterns.begin(), patterns.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// An instrument of `count` samples (a 263-byte header), each note from C-4 up playing the
// next sample.
module_bytes many_samples(unsigned count) {
    xm_module m = small_module({{0, 0, {49, 1, 0, 0, 0}},
                                {4, 0, {50, 1, 0, 0, 0}},
                                {8, 1, {60, 1, 0, 0, 0}},
                                {12, 1, {71, 1, 0, 0, 0}}});
    const module_bytes one = xm_write(m);
    const std::size_t at = instrument_at(one, 0), header_end = at + xm_instrument_header;
    module_bytes b(one.begin(), one.begin() + header_end);
    put_u16(b, at + 27, count);
    for (unsigned note = 0; note < 96; ++note)
        b[at + 33 + note] = note < 48 ? 0 : (note - 48) % count;
    const module_bytes header(one.begin() + header_end,
                              one.begin() + header_end + xm_sample_header),
        data(one.begin() + header_end + xm_sample_header, one.end());
    for (unsigned k = 0; k < count; ++k)
        b.insert(b.end(), header.begin(), header.end());
    for (unsigned k = 0; k < count; ++k)
        b.insert(b.end(), data.begin(), data.end());
    return b;
}

// Instrument 1's sample data replaced by what another tracker packs: ModPlug's ADPCM (its
// mark 0xAD in the sample header's last byte before the name, 16 bytes of table and a
// nibble a sample) or an Ogg Vorbis stream as OpenMPT's OXM stores one.
module_bytes packed_sample(bool vorbis) {
    module_bytes b = xm_write(small_module({{0, 0, {49, 1, 0, 0, 0}}}));
    const std::size_t header = instrument_at(b, 0) + xm_instrument_header;
    const std::uint32_t length = get_u32(b, header);
    b.resize(header + xm_sample_header);
    if (vorbis) {
        const char page[] = "OggS\0\2\0\0\0\0\0\0\0\0made";
        b.insert(b.end(), page, page + sizeof page - 1);
        put_u32(b, header, sizeof page - 1);
        put_u32(b, header + 8, sizeof page - 1);
    } else {
        b[header + 17] = 0xAD;
        b.insert(b.end(), 16 + (length + 1) / 2, 0x11);
    }
    return b;
}

// Runs module-player on the bytes, checked, under valgrind when `under_valgrind`.
command_output play_checked(const module_bytes &module, double seconds, bool under_valgrind) {
    temp_folder dir;
    const std::string file = dir.write("made.xm", module);
    return run_command(
        std::string(under_valgrind && HAVE_VALGRIND ? VALGRIND " -q --error-exitcode=99 " : "") +
        "'" + player + "' --checked " + std::to_string(seconds) + " '" + file + "'");
}

struct made_module {
    const char *what;
    module_bytes bytes;
};

// Valid modules that play clean: the check admits them, and valgrind finds nothing as the
// player plays each through its whole length and into its loop.
TEST(MadeModules, ValidOnesAreAdmittedAndPlayCleanUnderValgrind) {
    const made_module valid[] = {
        {"L0C and L1F: envelope positions up to the 32 points the player keeps",
         envelope_position(0x1F)},
        {"an instrument without samples played, no envelope anywhere",
         empty_instrument_played(false)},
        {"cut 24 bytes into instrument 3 of 4, which no pattern plays",
         cut_inside_an_instrument(2)},
        {"XM 1.02", older_version(0x0102)},
        {"XM 1.03", older_version(0x0103)},
        {"an instrument of 23 samples", many_samples(23)},
        {"an instrument of 96 samples", many_samples(96)},
    };
    for (const made_module &m : valid) {
        const command_output o = play_checked(m.bytes, made_module_seconds * 1.5, true);
        EXPECT_EQ(o.status, 0) << m.what << "\n" << o.output;
        EXPECT_NE(o.output.find("module-player: mixed"), std::string::npos) << m.what << o.output;
    }
}

// One step past each of those, and samples the player cannot unpack: refused, with the
// reason.
TEST(MadeModules, PastTheLimitOrPackedTheyAreRefusedForTheRealReason) {
    const struct {
        const char *what;
        module_bytes bytes;
        const char *reason;
    } refused[] = {
        {"L20", envelope_position(0x20), "(L20) past the 32 points the player keeps"},
        {"an instrument without samples played beside an envelope", empty_instrument_played(true),
         "row 8 plays instrument 2, which has no samples"},
        {"cut inside an instrument that is played", cut_inside_an_instrument(3),
         "row 4 plays instrument 3, but the file ends inside instrument 3"},
        {"XM 1.01", older_version(0x0101), "XM version 1.01; the player reads 1.02 to 1.04"},
        {"XM 1.05",
         [] {
             module_bytes b = xm_write(small_module({{0, 0, {49, 1, 0, 0, 0}}}));
             put_u16(b, 58, 0x0105);
             return b;
         }(),
         "XM version 1.05"},
        {"97 samples", many_samples(97), "instrument 0 has a 263-byte header and 97 samples"},
        {"ModPlug ADPCM", packed_sample(false),
         "instrument 0's sample 0 is packed as ModPlug ADPCM"},
        {"Ogg Vorbis", packed_sample(true),
         "instrument 0's sample 0 is compressed with Ogg Vorbis"},
    };
    for (const auto &m : refused) {
        const command_output o = play_checked(m.bytes, 0.1, false);
        EXPECT_EQ(o.status, 3) << m.what << "\n" << o.output;
        EXPECT_NE(o.output.find(m.reason), std::string::npos) << m.what << "\n" << o.output;
        EXPECT_EQ(o.output.find('\n'), o.output.size() - 1) << o.output;
    }
}

} // namespace
