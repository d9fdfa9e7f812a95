// The standard streams on Windows. The intro is a GUI program: started from a console it has
// no stderr of its own, and double-clicked it has none at all.
#include "std_streams.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>

// Sockets and files opened through the Windows API are handles, never C runtime
// descriptors, so a closed stream cannot be taken over by one. What remains is where the
// messages go: with stderr redirected to a file or a pipe, there; otherwise to the console
// the intro was started from, if it was started from one.
void keep_std_streams_open() {
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (err != nullptr && err != INVALID_HANDLE_VALUE)
        return;
    if (AttachConsole(ATTACH_PARENT_PROCESS))
        std::freopen("CONOUT$", "w", stderr);
}

// Windows' sound drivers print nothing of their own.
int hush_stderr() {
    return -1;
}

void restore_stderr(int) {}

// A viewer who double-clicked intro.exe, or started it from a shortcut or a file manager,
// has no console, and a stderr nobody reads; so the lines are also shown in a message box,
// a blank line between them. They are UTF-8 (folder names, SDL's reasons). What does not
// fit is left to stderr.
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
