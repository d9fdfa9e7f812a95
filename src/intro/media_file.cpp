// The first look at each media file: its type and size from the file system, and a trial
// open for the reason the system gives when it cannot be read.
#include "media_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

// The system's words for an errno value, in lower case to sit inside the intro's line.
static void say_reason(char *why, std::size_t why_size, const char *before, int error) {
    std::snprintf(why, why_size, "%s%s", before, std::strerror(error));
    const std::size_t at = std::strlen(before);
    if (at < why_size && why[at] >= 'A' && why[at] <= 'Z')
        why[at] = static_cast<char>(why[at] - 'A' + 'a');
}

static const char *kind_of(fs::file_type type) {
    switch (type) {
    case fs::file_type::directory:
        return "a folder";
    case fs::file_type::fifo:
        return "a FIFO (named pipe)";
    case fs::file_type::socket:
        return "a socket";
    case fs::file_type::character:
        return "a character device";
    case fs::file_type::block:
        return "a block device";
    default:
        return "of an unknown kind";
    }
}

bool check_readable_file(const char *path, std::uintmax_t largest, char *why,
                         std::size_t why_size) {
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec); // follows symbolic links
    if (ec || status.type() == fs::file_type::not_found) {
        say_reason(why, why_size, "", ec ? ec.value() : ENOENT);
        return false;
    }
    if (status.type() != fs::file_type::regular) {
        std::snprintf(why, why_size, "it is %s, not a regular file", kind_of(status.type()));
        return false;
    }
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) {
        say_reason(why, why_size, "cannot find its length: ", ec.value());
        return false;
    }
    if (size > largest) {
        std::snprintf(why, why_size, "too large: %llu bytes, at most %llu",
                      static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(largest));
        return false;
    }
    // Only now is it opened: a regular file opens at once. (Swapped for a FIFO in the
    // instant between the look and this open, it would still block; nobody does that by
    // accident.)
    errno = 0;
    std::FILE *f = std::fopen(path, "rb");
    if (!f) {
        say_reason(why, why_size, "", errno ? errno : EIO);
        return false;
    }
    std::fclose(f);
    return true;
}
