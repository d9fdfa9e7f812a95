// Files for tests: the temporary folder and whole-file reads and writes.
#include "files.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool write_file(const std::string &path, const bytes &data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(data.data()),
              static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out.flush());
}

temp_folder::temp_folder(const char *prefix) {
    std::string name = (fs::temp_directory_path() / prefix).string() + "-XXXXXX";
    if (!mkdtemp(name.data()))
        throw std::runtime_error("cannot make the folder " + name);
    path = name;
}

temp_folder::~temp_folder() {
    if (getenv("E2E_KEEP")) // kept for looking at a failure
        return;
    std::error_code ignored;
    fs::remove_all(path, ignored);
}

std::string temp_folder::write(const std::string &name, const bytes &data) const {
    const std::string file = path + "/" + name;
    fs::create_directories(fs::path(file).parent_path());
    write_file(file, data);
    return file;
}
