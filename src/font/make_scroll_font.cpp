// Build-time tool: reads the glyph pictures of scroll_font.txt and writes scroll_font.cpp,
// the 4,096-byte `scroll_font` table. Any malformed line stops the build with its line number.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

static void fail(const char *path, int line, const char *what) {
    std::fprintf(stderr, "%s:%d: %s\n", path, line, what);
    std::exit(1);
}

static bool is_row(const std::string &s) {
    if (s.size() != 8)
        return false;
    for (char ch : s)
        if (ch != '#' && ch != '.')
            return false;
    return true;
}

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_scroll_font scroll_font.txt scroll_font.cpp\n");
        return 2;
    }
    const char *in_path = argv[1];
    std::ifstream in(in_path);
    if (!in)
        fail(in_path, 0, "cannot open");

    unsigned char font[4096] = {};
    int glyph = -1; // glyph being read
    int row = 16;   // next row of that glyph
    int line_no = 0;
    std::string line;
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.compare(0, 2, "//") == 0)
            continue;
        if (line.compare(0, 6, "glyph ") == 0) {
            if (row != 16)
                fail(in_path, line_no, "previous glyph has fewer than 16 rows");
            const int code = static_cast<int>(std::strtol(line.c_str() + 6, nullptr, 16));
            if (code != glyph + 1)
                fail(in_path, line_no, "glyphs must come in order 0x00 to 0xff");
            glyph = code;
            row = 0;
            continue;
        }
        if (!is_row(line))
            fail(in_path, line_no, "a row is 8 characters of '#' and '.'");
        if (glyph < 0 || row == 16)
            fail(in_path, line_no, "row outside a glyph");
        unsigned char byte = 0;
        for (int col = 0; col < 8; ++col)
            if (line[col] == '#')
                byte |= static_cast<unsigned char>(0x80 >> col);
        font[glyph * 16 + row++] = byte;
    }
    if (glyph != 255 || row != 16)
        fail(in_path, line_no, "the font needs all 256 glyphs of 16 rows");

    FILE *out = std::fopen(argv[2], "w");
    if (!out)
        fail(argv[2], 0, "cannot write");
    std::fprintf(out,
                 "// Generated from scroll_font.txt by make_scroll_font; edit the pictures there.\n"
                 "#include \"scroll_font.h\"\n\n"
                 "const unsigned char scroll_font[4096] = {\n");
    for (int g = 0; g < 256; ++g) {
        std::fprintf(out, "    /* 0x%02x */", g);
        for (int r = 0; r < 16; ++r)
            std::fprintf(out, " 0x%02x,", font[g * 16 + r]);
        std::fprintf(out, "\n");
    }
    std::fprintf(out, "};\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
