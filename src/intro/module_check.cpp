// Walking an XM module's headers to refuse one that is cut short or full of garbage
// before the mixer reads it.
#include "module_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

static std::uint32_t u16(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8);
}

static std::uint32_t u32(const unsigned char *p) {
    return u16(p) | u16(p + 2) << 16;
}

enum {
    song_header_at = 60, // the song header's size field
    largest_module = 64 << 20,
};

bool check_module_bytes(const unsigned char *d, std::size_t size, char *why, std::size_t why_size) {
    static const char magic[] = "Extended Module: ";
    if (size < song_header_at + 20 || std::memcmp(d, magic, sizeof magic - 1) != 0) {
        std::snprintf(why, why_size, "not an XM module (%zu bytes)", size);
        return false;
    }
    const std::uint64_t header = u32(d + song_header_at);
    const unsigned orders = u16(d + 64), channels = u16(d + 68), patterns = u16(d + 70),
                   instruments = u16(d + 72);
    if (header < 20 || song_header_at + header > size) {
        std::snprintf(why, why_size, "song header of %llu bytes in a file of %zu",
                      static_cast<unsigned long long>(header), size);
        return false;
    }
    if (orders < 1 || orders > 256 || channels < 1 || channels > 64 || patterns > 256 ||
        instruments > 128) {
        std::snprintf(why, why_size, "refusing %u orders, %u channels, %u patterns, %u instruments",
                      orders, channels, patterns, instruments);
        return false;
    }
    std::uint64_t at = song_header_at + header;
    for (unsigned i = 0; i < patterns; ++i) {
        if (at + 9 > size) {
            std::snprintf(why, why_size, "cut short in pattern %u", i);
            return false;
        }
        const std::uint64_t length = u32(d + at);
        const unsigned rows = u16(d + at + 5);
        if (length < 9 || rows < 1 || rows > 256) {
            std::snprintf(why, why_size, "pattern %u has a %llu-byte header and %u rows", i,
                          static_cast<unsigned long long>(length), rows);
            return false;
        }
        at += length + u16(d + at + 7);
    }
    for (unsigned i = 0; i < instruments; ++i) {
        if (at + 29 > size) {
            std::snprintf(why, why_size, "cut short in instrument %u", i);
            return false;
        }
        const std::uint64_t length = u32(d + at);
        const unsigned samples = u16(d + at + 27);
        if (length < 29 || samples > 16 || (samples > 0 && (length < 33 || at + 33 > size))) {
            std::snprintf(why, why_size, "instrument %u has a %llu-byte header and %u samples", i,
                          static_cast<unsigned long long>(length), samples);
            return false;
        }
        const std::uint64_t sample_header = samples ? u32(d + at + 29) : 0;
        if (samples && (sample_header < 40 || sample_header > 1024)) {
            std::snprintf(why, why_size, "instrument %u has %llu-byte sample headers", i,
                          static_cast<unsigned long long>(sample_header));
            return false;
        }
        at += length;
        std::uint64_t data = 0;
        for (unsigned k = 0; k < samples; ++k, at += sample_header) {
            if (at + 18 > size) {
                std::snprintf(why, why_size, "cut short in instrument %u's sample %u", i, k);
                return false;
            }
            data += u32(d + at);
        }
        at += data;
        if (at > size) {
            std::snprintf(why, why_size, "cut short in instrument %u's sample data", i);
            return false;
        }
    }
    if (at > size) {
        std::snprintf(why, why_size, "cut short: its patterns need %llu bytes, it has %zu",
                      static_cast<unsigned long long>(at), size);
        return false;
    }
    return true;
}

bool check_module(const char *path, char *why, std::size_t why_size) {
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        std::snprintf(why, why_size, "cannot open it");
        return false;
    }
    std::vector<unsigned char> bytes;
    unsigned char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && bytes.size() <= largest_module)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    if (bytes.size() > largest_module) {
        std::snprintf(why, why_size, "larger than %d MiB", largest_module >> 20);
        return false;
    }
    return check_module_bytes(bytes.data(), bytes.size(), why, why_size);
}
