// The FastTracker 2 extended module (XM, version 0x0104) data model and its byte writer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One cell of a pattern: note 0 is empty, 1..96 are C-0..B-7, 97 is key-off.
struct xm_cell {
    uint8_t note = 0;
    uint8_t instrument = 0; // 1-based, 0 = none
    uint8_t volume = 0;     // volume column byte, 0 = none, 0x10..0x50 = set volume 0..64
    uint8_t effect = 0;
    uint8_t param = 0;
};

const uint8_t xm_key_off = 97;

struct xm_pattern {
    int rows = 64;
    std::vector<xm_cell> cells; // rows * channels, row-major
};

struct xm_envelope {
    int points = 0;      // 0 = envelope off
    uint16_t x[12] = {}; // ticks
    uint16_t y[12] = {}; // 0..64
    int sustain = 0;
    bool use_sustain = false;
};

enum xm_loop { xm_loop_none = 0, xm_loop_forward = 1 };

struct xm_sample {
    std::string name;
    std::vector<int16_t> data; // signed PCM; stored as 8-bit when eight_bit is set
    bool eight_bit = false;
    xm_loop loop = xm_loop_none;
    uint32_t loop_start = 0;  // in sample frames
    uint32_t loop_length = 0; // in sample frames
    uint8_t volume = 64;
    int8_t finetune = 0; // 1/128 semitone
    uint8_t panning = 128;
    int8_t relative_note = 0; // semitones added to the played note
};

struct xm_instrument {
    std::string name;
    xm_sample sample;
    xm_envelope volume_envelope;
    uint16_t fadeout = 0;
};

struct xm_module {
    std::string name;
    int channels = 8;
    int speed = 6; // ticks per row
    int bpm = 125;
    std::vector<uint8_t> orders;
    std::vector<xm_pattern> patterns;
    std::vector<xm_instrument> instruments;
};

// The packed cells of one pattern as stored in the file.
std::vector<uint8_t> xm_pack_pattern(const xm_pattern &p, int channels);

// Sample data as stored: delta-encoded 16-bit little-endian or 8-bit.
std::vector<uint8_t> xm_encode_sample(const xm_sample &s);

// The whole module as the bytes of an .xm file.
std::vector<uint8_t> xm_write(const xm_module &m);
