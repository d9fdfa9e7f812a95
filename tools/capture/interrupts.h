// Ctrl-C and kill while rendering: noted here, so the jobs stop and clean up after themselves.
#pragma once

#include <csignal>

extern volatile std::sig_atomic_t capture_interrupted;

// From now on SIGINT and SIGTERM set capture_interrupted instead of ending the process.
void catch_interrupts();
