// What the intro says when its address space runs out inside a library: the GL driver, its
// shader compiler and the sound libraries do not all check their allocations, and crash
// (or abort) when one fails under a limit such as `ulimit -v`.
#pragma once

// From here on such a crash or abort, when the address space is indeed all but used up,
// ends the intro with one line on stderr, "intro: out of memory while <what it was doing>"
// with the limit, and exit code 1. Any other crash stays the crash it is.
void say_when_memory_runs_out();

// What the intro is doing now, for that line: "loading the pictures", ... A string that
// lives as long as the program.
void set_memory_use(const char *doing);

// Whether the address space is limited (`ulimit -v`): a library that fails in an unusual
// way then most likely ran out of it.
bool address_space_limited();

// Says "intro: out of memory while <what it is doing> (the address space is limited to N
// MiB)", then `detail` (may be empty), in one line on stderr, and ends the intro with exit
// code 1 at once. Safe in a signal handler.
[[noreturn]] void leave_out_of_memory(const char *detail);
