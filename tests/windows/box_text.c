/* Prints the text of the message box titled by its argument as the box shows it, one line
   for each of its text controls, in UTF-8: the Wine tests read what intro.exe tells its
   viewer through it, as a Windows program reads another's window. Exit code 1 while there
   is no such box. Built by tools/windows/test.sh; run under Wine in the intro's prefix. */
#include <windows.h>

#include <stdio.h>

static wchar_t text[16384];
static char utf8[4 * 16384];

static BOOL CALLBACK print_text(HWND control, LPARAM printed) {
    wchar_t kind[64];
    if (GetClassNameW(control, kind, 64) == 0 || lstrcmpiW(kind, L"Static") != 0 ||
        GetWindowTextW(control, text, 16384) <= 0 ||
        WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL) == 0)
        return TRUE;
    printf("%s\n", utf8);
    *(int *)printed = 1;
    return TRUE;
}

int main(int argc, char **argv) {
    wchar_t title[256];
    if (argc != 2 || MultiByteToWideChar(CP_UTF8, 0, argv[1], -1, title, 256) == 0)
        return 2;
    /* #32770 is the window class of dialog boxes, message boxes among them. */
    const HWND box = FindWindowW(L"#32770", title);
    int printed = 0;
    if (box)
        EnumChildWindows(box, print_text, (LPARAM)&printed);
    return printed ? 0 : 1;
}
