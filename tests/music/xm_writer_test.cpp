// The XM writer's byte layout, against bytes worked out by hand from the XM 0x0104 format.
#include "xm_writer.h"

#include <gtest/gtest.h>

namespace {

uint32_t read32(const std::vector<uint8_t> &b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

int read16(const std::vector<uint8_t> &b, size_t at) {
    return b[at] | b[at + 1] << 8;
}

TEST(XmWriter, PacksEmptyPartialAndFullCells) {
    xm_pattern p;
    p.rows = 1;
    p.cells.resize(4);
    p.cells[1].note = 49;
    p.cells[1].instrument = 1;
    p.cells[2] = {58, 7, 0x30, 4, 0x54};
    p.cells[3].param = 0x37; // arpeggio: effect 0 is stored by leaving it out
    const std::vector<uint8_t> expected = {0x80, 0x83, 49, 1, 58, 7, 0x30, 4, 0x54, 0x90, 0x37};
    EXPECT_EQ(xm_pack_pattern(p, 4), expected);
}

TEST(XmWriter, DeltaEncodesSixteenBitSamplesWithWrapAround) {
    xm_sample s;
    s.data = {0, 100, -100, 32767, -32768};
    const std::vector<uint8_t> expected = {0x00, 0x00, 0x64, 0x00, 0x38,
                                           0xff, 0x63, 0x80, 0x01, 0x00};
    EXPECT_EQ(xm_encode_sample(s), expected);
}

TEST(XmWriter, DeltaEncodesEightBitSamplesFromTheHighByte) {
    xm_sample s;
    s.eight_bit = true;
    s.data = {0x0100, 0x7f00, -0x8000, 0};
    const std::vector<uint8_t> expected = {0x01, 0x7e, 0x01, 0x80};
    EXPECT_EQ(xm_encode_sample(s), expected);
}

class XmWriterLayout : public ::testing::Test {
  protected:
    void SetUp() override {
        xm_module m;
        m.name = "tiny";
        m.channels = 3;
        m.speed = 5;
        m.bpm = 140;
        m.orders = {0, 1, 0};
        xm_pattern empty;
        empty.rows = 1;
        empty.cells.resize(3);
        m.patterns = {empty, empty};
        xm_instrument ins;
        ins.name = "beep";
        ins.sample.data = {1000, -1000};
        ins.sample.loop = xm_loop_forward;
        ins.sample.loop_length = 2;
        ins.sample.volume = 48;
        ins.sample.finetune = -5;
        ins.sample.relative_note = 12;
        ins.volume_envelope.points = 2;
        ins.volume_envelope.x[1] = 10;
        ins.volume_envelope.y[0] = 64;
        ins.volume_envelope.use_sustain = true;
        ins.fadeout = 0x400;
        m.instruments = {ins};
        bytes = xm_write(m);
    }
    std::vector<uint8_t> bytes;
};

TEST_F(XmWriterLayout, WritesTheHeaderFields) {
    ASSERT_EQ(bytes.size(), 667u); // 336 header, 2 * (9 + 3) patterns, 263 + 40 + 4 instrument
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 17), "Extended Module: ");
    EXPECT_EQ(std::string(bytes.begin() + 17, bytes.begin() + 21), "tiny");
    EXPECT_EQ(bytes[37], 0x1a);
    EXPECT_EQ(read16(bytes, 58), 0x0104);
    EXPECT_EQ(read32(bytes, 60), 276u);
    EXPECT_EQ(read16(bytes, 64), 3);   // orders
    EXPECT_EQ(read16(bytes, 66), 0);   // restart position
    EXPECT_EQ(read16(bytes, 68), 3);   // channels
    EXPECT_EQ(read16(bytes, 70), 2);   // patterns
    EXPECT_EQ(read16(bytes, 72), 1);   // instruments
    EXPECT_EQ(read16(bytes, 74), 1);   // linear frequencies
    EXPECT_EQ(read16(bytes, 76), 5);   // speed
    EXPECT_EQ(read16(bytes, 78), 140); // tempo
    EXPECT_EQ(bytes[80], 0);
    EXPECT_EQ(bytes[81], 1);
    EXPECT_EQ(bytes[82], 0);
    EXPECT_EQ(bytes[83], 0); // unused order slots are zero
}

TEST_F(XmWriterLayout, WritesPatternHeadersAndPackedData) {
    for (size_t at : {336u, 348u}) {
        EXPECT_EQ(read32(bytes, at), 9u);
        EXPECT_EQ(bytes[at + 4], 0);
        EXPECT_EQ(read16(bytes, at + 5), 1); // rows
        EXPECT_EQ(read16(bytes, at + 7), 3); // packed size
        EXPECT_EQ(bytes[at + 9], 0x80);
        EXPECT_EQ(bytes[at + 11], 0x80);
    }
}

TEST_F(XmWriterLayout, WritesTheInstrumentAndItsSample) {
    const size_t ins = 360;
    EXPECT_EQ(read32(bytes, ins), 263u);
    EXPECT_EQ(std::string(bytes.begin() + ins + 4, bytes.begin() + ins + 8), "beep");
    EXPECT_EQ(read16(bytes, ins + 27), 1);       // samples
    EXPECT_EQ(read32(bytes, ins + 29), 40u);     // sample header size
    EXPECT_EQ(read16(bytes, ins + 129 + 4), 10); // second envelope point's tick
    EXPECT_EQ(read16(bytes, ins + 129 + 2), 64); // first envelope point's value
    EXPECT_EQ(bytes[ins + 225], 2);              // envelope points
    EXPECT_EQ(bytes[ins + 233], 3);              // envelope on, with sustain
    EXPECT_EQ(read16(bytes, ins + 239), 0x400);  // fadeout
    const size_t smp = ins + 263;
    EXPECT_EQ(read32(bytes, smp), 4u);     // length in bytes
    EXPECT_EQ(read32(bytes, smp + 4), 0u); // loop start
    EXPECT_EQ(read32(bytes, smp + 8), 4u); // loop length in bytes
    EXPECT_EQ(bytes[smp + 12], 48);
    EXPECT_EQ(static_cast<int8_t>(bytes[smp + 13]), -5);
    EXPECT_EQ(bytes[smp + 14], 0x11); // forward loop, 16-bit
    EXPECT_EQ(bytes[smp + 16], 12);
    const std::vector<uint8_t> data(bytes.begin() + smp + 40, bytes.end());
    const std::vector<uint8_t> deltas = {0xe8, 0x03, 0x30, 0xf8}; // 1000, then -2000
    EXPECT_EQ(data, deltas);
}

} // namespace
