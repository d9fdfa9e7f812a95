// Serialises an xm_module into the bytes of an XM 0x0104 file: header, packed patterns,
// instruments each with one delta-encoded sample.
#include "xm_writer.h"

namespace {

void put8(std::vector<uint8_t> &out, int v) {
    out.push_back(static_cast<uint8_t>(v & 0xff));
}

void put16(std::vector<uint8_t> &out, int v) {
    put8(out, v);
    put8(out, v >> 8);
}

void put32(std::vector<uint8_t> &out, uint32_t v) {
    put16(out, static_cast<int>(v & 0xffff));
    put16(out, static_cast<int>(v >> 16));
}

// A fixed-size text field, padded with the given byte.
void put_text(std::vector<uint8_t> &out, const std::string &s, size_t size, uint8_t pad) {
    for (size_t i = 0; i < size; ++i)
        out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : pad);
}

void put_instrument(std::vector<uint8_t> &out, const xm_instrument &ins) {
    const xm_sample &s = ins.sample;
    const xm_envelope &env = ins.volume_envelope;
    put32(out, 263);
    put_text(out, ins.name, 22, 0);
    put8(out, 0);   // type
    put16(out, 1);  // one sample
    put32(out, 40); // sample header size
    for (int i = 0; i < 96; ++i)
        put8(out, 0); // every note plays sample 0
    for (int i = 0; i < 12; ++i) {
        put16(out, env.x[i]);
        put16(out, env.y[i]);
    }
    for (int i = 0; i < 12; ++i) {
        put16(out, 0);
        put16(out, 32);
    }
    put8(out, env.points);
    put8(out, 0); // panning envelope points
    put8(out, env.sustain);
    put8(out, 0); // volume loop start
    put8(out, 0); // volume loop end
    put8(out, 0);
    put8(out, 0);
    put8(out, 0); // panning sustain and loop
    put8(out, (env.points > 0 ? 1 : 0) | (env.use_sustain ? 2 : 0));
    put8(out, 0); // panning envelope type
    put8(out, 0);
    put8(out, 0);
    put8(out, 0);
    put8(out, 0); // auto-vibrato type, sweep, depth, rate
    put16(out, ins.fadeout);
    for (int i = 0; i < 22; ++i)
        put8(out, 0); // reserved

    const uint32_t width = s.eight_bit ? 1 : 2;
    put32(out, static_cast<uint32_t>(s.data.size()) * width);
    put32(out, s.loop_start * width);
    put32(out, s.loop_length * width);
    put8(out, s.volume);
    put8(out, s.finetune);
    put8(out, static_cast<int>(s.loop) | (s.eight_bit ? 0 : 0x10));
    put8(out, s.panning);
    put8(out, s.relative_note);
    put8(out, 0); // reserved
    put_text(out, s.name, 22, 0);
    std::vector<uint8_t> data = xm_encode_sample(s);
    out.insert(out.end(), data.begin(), data.end());
}

} // namespace

std::vector<uint8_t> xm_pack_pattern(const xm_pattern &p, int channels) {
    std::vector<uint8_t> out;
    for (int i = 0; i < p.rows * channels; ++i) {
        const xm_cell &c = p.cells[i];
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        int mask = 0;
        for (int f = 0; f < 5; ++f)
            if (fields[f])
                mask |= 1 << f;
        if (mask == 0x1f) { // all five present: the unpacked form is as short
            out.insert(out.end(), fields, fields + 5);
            continue;
        }
        out.push_back(static_cast<uint8_t>(0x80 | mask));
        for (int f = 0; f < 5; ++f)
            if (fields[f])
                out.push_back(fields[f]);
    }
    return out;
}

std::vector<uint8_t> xm_encode_sample(const xm_sample &s) {
    std::vector<uint8_t> out;
    int previous = 0;
    for (int16_t v : s.data) {
        if (s.eight_bit) {
            const int value = v >> 8;
            put8(out, value - previous);
            previous = value;
        } else {
            put16(out, v - previous);
            previous = v;
        }
    }
    return out;
}

std::vector<uint8_t> xm_write(const xm_module &m) {
    std::vector<uint8_t> out;
    put_text(out, "Extended Module: ", 17, 0);
    put_text(out, m.name, 20, ' ');
    put8(out, 0x1a);
    put_text(out, "make-music", 20, ' ');
    put16(out, 0x0104);
    put32(out, 276); // header size from here on, with the 256-entry order table
    put16(out, static_cast<int>(m.orders.size()));
    put16(out, 0); // restart position
    put16(out, m.channels);
    put16(out, static_cast<int>(m.patterns.size()));
    put16(out, static_cast<int>(m.instruments.size()));
    put16(out, 1); // linear frequency table
    put16(out, m.speed);
    put16(out, m.bpm);
    for (int i = 0; i < 256; ++i)
        put8(out, i < static_cast<int>(m.orders.size()) ? m.orders[i] : 0);

    for (const xm_pattern &p : m.patterns) {
        std::vector<uint8_t> packed = xm_pack_pattern(p, m.channels);
        put32(out, 9);
        put8(out, 0); // packing type
        put16(out, p.rows);
        put16(out, static_cast<int>(packed.size()));
        out.insert(out.end(), packed.begin(), packed.end());
    }
    for (const xm_instrument &ins : m.instruments)
        put_instrument(out, ins);
    return out;
}
