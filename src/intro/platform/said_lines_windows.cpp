// The intro's lines on Windows, in a message box as well. A viewer who double-clicked
// intro.exe, or started it from a shortcut or a file manager, has no console, and a stderr
// nobody reads.
#include "said_lines.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

// The lines are shown in one message box, a blank line between them. They are UTF-8
// (folder names, SDL's reasons). What does not fit is left to stderr.
static char said[8192];
static std::size_t said_length;
static bool said_cut;

void keep_said_line(const char *line) {
    const std::size_t length = std::strlen(line);
    const std::size_t gap = said_length > 0 ? 2 : 0;
    if (said_length + gap + length + 1 > sizeof said) {
        said_cut = true;
        return;
    }
    std::memcpy(said + said_length, "\n\n", gap);
    std::memcpy(said + said_length + gap, line, length + 1);
    said_length += gap + length;
}

void show_said_lines(bool ending) {
    if (said_length == 0)
        return;
    static wchar_t text[sizeof said + 64];
    const int room = static_cast<int>(sizeof text / sizeof text[0]) - 64;
    const int length = MultiByteToWideChar(CP_UTF8, 0, said, -1, text, room);
    if (length > 0 && said_cut)
        std::wcscpy(text + length - 1, L"\n\n(More lines did not fit here.)");
    if (length > 0)
        MessageBoxW(nullptr, text, L"WAVELENGTH",
                    MB_OK | MB_SETFOREGROUND | (ending ? MB_ICONERROR : MB_ICONWARNING));
    said_length = 0;
    said[0] = '\0';
    said_cut = false;
}
