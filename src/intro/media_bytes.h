// What the picture header check and the module check share: numbers read from a file's
// bytes as BMP and XM files store them (little-endian), and the refusal that writes why.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

inline std::uint32_t read_u16(const unsigned char *p) {
    return static_cast<std::uint32_t>(p[0] | p[1] << 8);
}

inline std::uint32_t read_u32(const unsigned char *p) {
    return read_u16(p) | read_u16(p + 2) << 16;
}

inline std::int32_t read_s32(const unsigned char *p) {
    return static_cast<std::int32_t>(read_u32(p));
}

// Writes the reason into `why` and returns false, so that a check can end with it.
__attribute__((format(printf, 3, 4))) inline bool refuse(char *why, std::size_t why_size,
                                                         const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(why, why_size, format, args);
    va_end(args);
    return false;
}
