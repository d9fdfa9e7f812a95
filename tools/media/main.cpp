// make-pictures --res DIR --docs DIR: draws every picture of the intro and writes
// DIR/back.dat, DIR/sl0.dat..sl15.dat, DIR/intro.ico and DOCS/contact-sheet.png (the
// resource script res/intro.rc beside the icon is written by hand).
// make-pictures --icons DIR: writes the icon for the Linux desktop as DIR/wavelength-N.png,
// N = 16, 32, 48 and 256 pixels.
// Nothing depends on the clock or the environment, so every run writes the same bytes.
#include "media.h"
#include "png_file.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

// Contact sheet: the background doubled at the left, the slides in a 4x4 grid at the right,
// all as the 5-6-5 display shows them.
constexpr int sheet_margin = 8;
constexpr int sheet_gap = 4;
constexpr int sheet_grid_x = sheet_margin + 640 + sheet_margin;
constexpr int sheet_width = sheet_grid_x + 4 * panel_width + 3 * sheet_gap + sheet_margin;
constexpr int sheet_height = 2 * sheet_margin + 4 * panel_height + 3 * sheet_gap;

static picture make_sheet(const picture &background, const picture *slides) {
    picture sheet{sheet_width, sheet_height, {}};
    sheet.rgb.resize(static_cast<size_t>(sheet_width) * sheet_height * 3);
    for (size_t i = 0; i < sheet.rgb.size(); i += 3) {
        sheet.rgb[i] = 14;
        sheet.rgb[i + 1] = 10;
        sheet.rgb[i + 2] = 28;
    }
    paste_picture(sheet, background, sheet_margin, (sheet_height - 480) / 2, 2);
    for (int i = 0; i < slide_count; ++i)
        paste_picture(sheet, as_shown_on_565(slides[i]),
                      sheet_grid_x + (i % 4) * (panel_width + sheet_gap),
                      sheet_margin + (i / 4) * (panel_height + sheet_gap), 1);
    return sheet;
}

// The intro's media file `path` with `dir` in place of the intro's folder.
static std::string in_folder(const std::string &dir, const char *path) {
    return dir + "/" + std::filesystem::path(path).filename().string();
}

static void usage() {
    std::fprintf(stderr, "usage: make-pictures --res DIR --docs DIR\n"
                         "       make-pictures --icons DIR\n");
}

int main(int argc, char **argv) {
    std::string res, docs, icons;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--res") == 0)
            res = argv[i + 1];
        else if (std::strcmp(argv[i], "--docs") == 0)
            docs = argv[i + 1];
        else if (std::strcmp(argv[i], "--icons") == 0 && argc == 3)
            icons = argv[i + 1];
        else {
            usage();
            return 2;
        }
    }
    if (!icons.empty()) {
        bool ok = true;
        for (int size : {16, 32, 48, 256})
            ok &= write_icon_png((icons + "/wavelength-" + std::to_string(size) + ".png").c_str(),
                                 size);
        return ok ? 0 : 1;
    }
    if (res.empty() || docs.empty() || argc != 5) {
        usage();
        return 2;
    }

    bool ok = true;
    picture background = to_565_picture(draw_background());
    ok &= write_bmp(in_folder(res, background_file).c_str(), background, 16);
    picture slides[slide_count];
    for (int i = 0; i < slide_count; ++i) {
        slides[i] = to_slide_picture(draw_slide(i));
        ok &= write_bmp(in_folder(res, slide_files[i]).c_str(), slides[i], 24);
    }
    ok &= write_icon((res + "/intro.ico").c_str());
    const picture sheet = make_sheet(background, slides);
    ok &= write_rgb_png((docs + "/contact-sheet.png").c_str(), sheet.width, sheet.height,
                        sheet.rgb.data());
    return ok ? 0 : 1;
}
