// The media folder on Windows: the working folder first, then the folder of intro.exe. A
// shortcut's "Start in", a launcher or a file manager may start the program in any folder,
// and its pictures and music are beside it. Folder names are handled as Windows' own wide
// strings and given back in UTF-8, whatever the system's code page.
#include "media_folder.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

enum { longest_path = 32768 };

// The program's folder with its last backslash ("C:\Games\", "C:\"), and the program's
// file name; found once.
static wchar_t folder[longest_path], program_name[longest_path];
static size_t folder_length;

static bool find_program_folder() {
    if (folder_length > 0)
        return true;
    const DWORD length = GetModuleFileNameW(nullptr, folder, longest_path);
    wchar_t *slash = length > 0 && length < longest_path ? std::wcsrchr(folder, L'\\') : nullptr;
    if (!slash)
        return false;
    std::wcscpy(program_name, slash + 1);
    slash[1] = L'\0';
    folder_length = static_cast<size_t>(slash + 1 - folder);
    return true;
}

bool enter_program_folder_holding(const char *name) {
    if (!find_program_folder())
        return false;
    static wchar_t media[longest_path + 64];
    std::wcscpy(media, folder);
    size_t at = folder_length;
    for (const char *c = name; *c && at + 1 < sizeof media / sizeof *media; ++c)
        media[at++] = static_cast<wchar_t>(static_cast<unsigned char>(*c)); // a plain ASCII name
    media[at] = L'\0';
    const DWORD attributes = GetFileAttributesW(media);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           SetCurrentDirectoryW(folder);
}

// A folder as Windows shows it: without its last backslash, but for a drive's root ("C:\").
static void trim_folder(wchar_t *path) {
    const size_t length = std::wcslen(path);
    if (length > 3 && path[length - 1] == L'\\')
        path[length - 1] = L'\0';
}

void describe_where_looked(char *text, int size) {
    static wchar_t here[longest_path], there[longest_path], words[3 * longest_path];
    static char words_utf8[4 * 3 * longest_path];
    const DWORD length = GetCurrentDirectoryW(longest_path, here);
    if (length == 0 || length >= longest_path)
        std::wcscpy(here, L"the current folder");
    trim_folder(here);
    std::wcscpy(words, here);
    if (find_program_folder()) {
        std::wcscpy(there, folder);
        trim_folder(there);
        if (lstrcmpiW(here, there) != 0) {
            std::wcscat(words, L" nor beside ");
            std::wcscat(words, program_name);
            std::wcscat(words, L" in ");
            std::wcscat(words, there);
        }
    }
    if (WideCharToMultiByte(CP_UTF8, 0, words, -1, words_utf8, sizeof words_utf8, nullptr,
                            nullptr) == 0)
        words_utf8[0] = '\0';
    std::snprintf(text, static_cast<size_t>(size), "%s", words_utf8);
}
