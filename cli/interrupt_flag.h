// interrupt_flag.h - Ctrl+C as a polite request: the run stops between buffers and reports.
#pragma once

namespace quillmark {

// After this, the first SIGINT only sets the flag; a second one ends the process as usual.
void InstallInterruptHandler();
bool InterruptRequested();

}  // namespace quillmark
