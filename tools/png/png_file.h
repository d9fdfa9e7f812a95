// Writing an 8-bit RGB or RGBA picture as a PNG file, for the pictures our tools make for people.
#pragma once

// `rgb` holds width * height pixels of 3 bytes, rows top to bottom. Says on stderr what
// went wrong and returns false when the file cannot be written.
bool write_rgb_png(const char *path, int width, int height, const unsigned char *rgb);

// The same with 4 bytes a pixel, the fourth straight (not premultiplied) alpha.
bool write_rgba_png(const char *path, int width, int height, const unsigned char *rgba);
