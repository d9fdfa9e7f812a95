// Writing an 8-bit RGB picture as a PNG file, for the pictures our tools make for people.
#pragma once

// `rgb` holds width * height pixels of 3 bytes, rows top to bottom. Says on stderr what
// went wrong and returns false when the file cannot be written.
bool write_rgb_png(const char *path, int width, int height, const unsigned char *rgb);
