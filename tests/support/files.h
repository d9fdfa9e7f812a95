// Files for tests: a temporary folder, and whole files read and written as bytes.
#pragma once

#include <string>
#include <vector>

using bytes = std::vector<unsigned char>;

// The whole file; empty if it cannot be read.
bytes read_file(const std::string &path);
bool write_file(const std::string &path, const bytes &data);

// A fresh, empty folder /tmp/PREFIX-XXXXXX, removed with all it holds unless E2E_KEEP is
// set.
struct temp_folder {
    std::string path;
    explicit temp_folder(const char *prefix = "intro-test");
    ~temp_folder();
    temp_folder(const temp_folder &) = delete;
    temp_folder &operator=(const temp_folder &) = delete;
    // Writes `name` (below the folder, e.g. "res/theme.xm", its folders made as needed) and
    // returns its full path.
    std::string write(const std::string &name, const bytes &data) const;
};
