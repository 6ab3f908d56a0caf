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
    // SA_RESTART keeps reads of the file being checksummed from failing with EINTR;
    // SA_RESETHAND lets a second Ctrl+C kill a run that does not stop.
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
}

bool InterruptRequested() { return g_interrupted != 0; }

}  // namespace quillmark
