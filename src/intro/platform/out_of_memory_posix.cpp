// Running out of address space on POSIX systems: handlers for the crash (SIGSEGV, SIGBUS)
// and the abort (SIGABRT) that a library's failed allocation ends in.
#include "out_of_memory.h"

#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

// What the main thread is doing; read by the handlers, whichever thread crashed.
static const char *volatile doing_now = "starting";
static const int watched[] = {SIGSEGV, SIGBUS, SIGABRT};
static struct sigaction before[3];

// Whether less than this much address space is left: the failed allocation was most
// likely what made the library crash. Asked of the kernel by reserving it (no memory is
// used; a reservation counts against `ulimit -v` all the same).
static bool address_space_nearly_gone() {
    const size_t margin = 64u << 20;
    void *probe =
        mmap(nullptr, margin, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (probe == MAP_FAILED)
        return errno == ENOMEM;
    munmap(probe, margin);
    return false;
}

// Only calls that are safe in a signal handler: the line is put together by hand.
static void append(char *line, size_t size, const char *text) {
    const size_t used = std::strlen(line);
    for (size_t i = 0; text[i] && used + i + 1 < size; ++i) {
        line[used + i] = text[i];
        line[used + i + 1] = '\0';
    }
}

static void append_number(char *line, size_t size, unsigned long long n) {
    char digits[24];
    int count = 0;
    do
        digits[count++] = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0 && count < 23);
    char text[24];
    for (int i = 0; i < count; ++i)
        text[i] = digits[count - 1 - i];
    text[count] = '\0';
    append(line, size, text);
}

bool address_space_limited() {
    rlimit limit;
    return getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY;
}

void leave_out_of_memory(const char *detail) {
    char line[512] = "intro: out of memory while ";
    append(line, sizeof line, doing_now);
    rlimit limit;
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        append(line, sizeof line, " (the address space is limited to ");
        append_number(line, sizeof line, limit.rlim_cur >> 20);
        append(line, sizeof line, " MiB)");
    }
    append(line, sizeof line, detail);
    append(line, sizeof line, "\n");
    (void)!write(2, line, std::strlen(line));
    _exit(1);
}

static void on_crash(int signal, siginfo_t *info, void *) {
    if (address_space_nearly_gone())
        leave_out_of_memory("");
    // Put back whoever handled it before (the default, or the address sanitizer's report):
    // a fault happens again as the instruction is run again; a signal sent is sent again.
    for (int i = 0; i < 3; ++i)
        if (watched[i] == signal)
            sigaction(signal, &before[i], nullptr);
    if (signal == SIGABRT || info->si_code <= 0)
        raise(signal);
}

void say_when_memory_runs_out() {
    struct sigaction handler;
    std::memset(&handler, 0, sizeof handler);
    handler.sa_sigaction = on_crash;
    handler.sa_flags = SA_SIGINFO;
    sigemptyset(&handler.sa_mask);
    for (int i = 0; i < 3; ++i)
        sigaction(watched[i], &handler, &before[i]);
}

void set_memory_use(const char *doing) {
    doing_now = doing;
}
