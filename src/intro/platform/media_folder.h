// Where the intro looks for its media folder (res/) when the working folder has none.
#pragma once

// Called when the working folder holds no folder `name`. Where a program is started from
// anywhere with its files beside it (Windows: a shortcut's "Start in", a launcher, a file
// manager), looks for `name` beside the program and, found there, makes the program's
// folder the working folder: true. Elsewhere the working folder is the only place: false.
bool enter_program_folder_holding(const char *name);

// Words for where the folder was looked for, for the line saying it is not there: the
// working folder, and on Windows the program's as well ("C:\Games nor beside intro.exe in
// C:\Downloads\wavelength-win32").
void describe_where_looked(char *text, int size);
