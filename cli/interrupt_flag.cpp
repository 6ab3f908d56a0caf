// interrupt_flag.cpp - Ctrl+C as a polite request: the run stops between buffers and reports.
#include "cli/interrupt_flag.h"

#include <signal.h>

namespace quillmark {

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnInterrupt(int) { g_interrupted = 1; }

}  // namespace

void InstallInterruptHandler() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read or an open waiting on a device returns at once, and the run stops
    // (the program's own threads keep SIGINT away, so this thread is the one interrupted).
    // SA_RESETHAND lets a second Ctrl+C kill a run that does not stop.
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

}  // namespace quillmark
