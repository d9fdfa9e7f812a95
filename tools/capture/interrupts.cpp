// The flag that SIGINT and SIGTERM raise.
#include "interrupts.h"

volatile std::sig_atomic_t capture_interrupted = 0;

static void note_interrupt(int) {
    capture_interrupted = 1;
}

void catch_interrupts() {
    struct sigaction action = {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
