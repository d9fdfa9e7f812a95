// The media folder on Linux and in the browser: the working folder only (the Linux launcher
// starts the intro in its media's folder; the page puts res/ where the intro starts).
#include "media_folder.h"

#include <cstdio>
#include <filesystem>

bool enter_program_folder_holding(const char *) {
    return false;
}

void describe_where_looked(char *text, int size) {
    std::error_code ec;
    const std::string here = std::filesystem::current_path(ec).string();
    std::snprintf(text, static_cast<size_t>(size), "%s", ec ? "the current folder" : here.c_str());
}
