// Preloaded into the intro by the end-to-end tests: SDL_SetVideoMode crashes, as the GL
// driver SDL sets up there does when the X server goes away meanwhile. E2E_STOP_X_SERVER
// names the server's process, sent SIGTERM first; E2E_CRASH says how: "fault" (a write to
// an address nothing is mapped at) or "kill" (SIGSEGV sent by kill).
#include <signal.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

struct SDL_Surface;

// Read at run time, so that the compiler cannot see the fault coming and trap instead.
static volatile std::uintptr_t unmapped_address = 8;

extern "C" SDL_Surface *SDL_SetVideoMode(int, int, int, unsigned) {
    if (const char *server = std::getenv("E2E_STOP_X_SERVER"))
        kill(static_cast<pid_t>(std::atol(server)), SIGTERM);
    const char *crash = std::getenv("E2E_CRASH");
    if (crash && std::strcmp(crash, "kill") == 0)
        kill(getpid(), SIGSEGV);
    else
        *reinterpret_cast<volatile int *>(unmapped_address) = 1;
    return nullptr;
}
