// A canonical 44-byte RIFF/WAVE header for 16-bit PCM.
#include "wav.h"

static void put_u32(unsigned char *p, unsigned v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
    p[2] = (v >> 16) & 0xFF;
    p[3] = (v >> 24) & 0xFF;
}

static void put_u16(unsigned char *p, unsigned v) {
    p[0] = v & 0xFF;
    p[1] = (v >> 8) & 0xFF;
}

bool write_wav_header(std::FILE *f, int rate, int channels, unsigned data_bytes) {
    const unsigned block = 2u * static_cast<unsigned>(channels);
    unsigned char h[wav_header_size] = {'R', 'I', 'F', 'F', 0,   0,  0, 0, 'W', 'A', 'V',
                                        'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,   1,   0};
    put_u32(h + 4, 36 + data_bytes);
    put_u16(h + 22, static_cast<unsigned>(channels));
    put_u32(h + 24, static_cast<unsigned>(rate));
    put_u32(h + 28, static_cast<unsigned>(rate) * block);
    put_u16(h + 32, block);
    put_u16(h + 34, 16);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    put_u32(h + 40, data_bytes);
    return std::fwrite(h, 1, sizeof h, f) == sizeof h;
}
