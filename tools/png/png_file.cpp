// PNG writing through libpng, at the highest compression: the files are committed.
#include "png_file.h"

#include <png.h>

#include <cstdio>

// `channels` bytes a pixel: 3 for RGB, 4 for RGBA.
static bool write_png(const char *path, int width, int height, int channels,
                      const unsigned char *pixels) {
    FILE *f = std::fopen(path, "wb");
    if (!f) {
        std::perror(path);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        std::fprintf(stderr, "cannot write %s\n", path);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, width, height, 8,
                 channels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 9);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y)
        png_write_row(png, pixels + static_cast<size_t>(y) * width * channels);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(f) != 0) {
        std::perror(path);
        return false;
    }
    return true;
}

bool write_rgb_png(const char *path, int width, int height, const unsigned char *rgb) {
    return write_png(path, width, height, 3, rgb);
}

bool write_rgba_png(const char *path, int width, int height, const unsigned char *rgba) {
    return write_png(path, width, height, 4, rgba);
}
