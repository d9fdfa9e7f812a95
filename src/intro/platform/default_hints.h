// The settings the intro gives SDL and its compatibility layer through the environment.
#pragma once

// Sets the environment variable `name` to `value` for the libraries, unless the user has
// set it already: a user's own value always wins.
void set_default_hint(const char *name, const char *value);
