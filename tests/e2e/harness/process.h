// The harness's children: the intro (or a program that runs it) started in a folder as a
// user starts it, waited for, ended, and what it said on stderr; the clock they are timed by.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace e2e {

struct x_server;

struct intro_process {
    pid_t pid = -1;
    std::string folder;      // its working directory
    std::string stderr_path; // everything it wrote on stderr
    std::string audio_path;  // SDL_DISKAUDIOFILE
    bool exited = false;
    int exit_code = -1;  // valid when it exited normally
    int term_signal = 0; // set when a signal ended it
    ~intro_process();
};

// Changes to the environment that the intro starts with. The base environment holds only
// PATH, HOME and XDG_RUNTIME_DIR (both the folder), DISPLAY=:N, SDL_AUDIODRIVER=disk with
// SDL_DISKAUDIOFILE in the folder, and the sanitizer options with the repository's suppressions.
struct intro_env {
    std::vector<std::string> set;   // "NAME=value", replacing any base value
    std::vector<std::string> unset; // names removed from the base
    std::vector<int> closed;        // of descriptors 0, 1 and 2, those it starts without
    bool unread_stderr = false;     // stdout and stderr a pipe whose reader has gone
    bool as_nobody = false;         // run as the user nobody (when the tests run as root)
    // In the sanitizer build, any one allocation above this many MiB fails (0: no limit).
    int largest_allocation_mib = 0;
    // Its address space limited to this many MiB, as `ulimit -v` does (0: no limit).
    int address_space_mib = 0;
};

// Starts INTRO_EXE in `folder` with stderr (and stdout) going to a file there.
// `server` may be null: then DISPLAY is not set at all.
bool start_intro(intro_process *p, const std::string &folder, const x_server *server,
                 const intro_env &env = {});

// Starts the program ARGV (argv[0] a path) in `folder` the same way, for a program that
// runs the intro, such as an emulator.
bool start_program(intro_process *p, const std::vector<std::string> &argv,
                   const std::string &folder, const x_server *server, const intro_env &env = {});

// True when built with AddressSanitizer: the intro then also takes its leak check at exit.
bool sanitized_build();

// Waits up to `timeout_s` for the intro to end; true if it did.
bool wait_intro_exit(intro_process *p, double timeout_s);
bool intro_running(intro_process *p);
void kill_intro(intro_process *p);
std::string intro_stderr(const intro_process *p);

// Runs `command` through the shell; its exit status (-1 if a signal ended it).
int run(const std::string &command);

// The lines of `text`, without their newlines.
std::vector<std::string> lines_of(const std::string &text);

// Seconds on a monotonic clock.
double now_s();
void sleep_s(double seconds);

// In a freshly forked child: die with the test process, so nothing outlives a crashed or
// killed test run.
void die_with_parent(pid_t parent);
void kill_and_reap(pid_t pid);

} // namespace e2e
