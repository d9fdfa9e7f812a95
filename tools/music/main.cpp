// make-music OUT.xm: writes the intro's soundtrack, synthesised and composed from scratch.
#include "song.h"
#include "xm_writer.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-music OUT.xm\n");
        return 2;
    }
    const std::vector<uint8_t> bytes = xm_write(make_theme());
    std::FILE *f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !written) {
        std::fprintf(stderr, "make-music: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
