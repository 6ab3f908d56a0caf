// console_output.cpp - standard output and the progress line, set up once for every command.
#include "cli/console_output.h"

#include <unistd.h>

#include "cli/interrupt_flag.h"

namespace quillmark {

namespace {

bool ShowProgress(ProgressChoice choice) {
    switch (choice) {
        case ProgressChoice::Always:
            return true;
        case ProgressChoice::Never:
            return false;
        case ProgressChoice::WhenTerminal:
            break;
    }
    return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace

ConsoleOutput::ConsoleOutput(ProgressChoice choice)
    : m_standardOutput(STDOUT_FILENO, ::isatty(STDOUT_FILENO) == 1),
      m_progress(STDERR_FILENO, ShowProgress(choice), &InterruptRequested) {
    if (::isatty(STDOUT_FILENO) == 1) {
        m_standardOutput.SetAroundOutput([this] { m_progress.ClearLine(); },
                                         [this] { m_progress.RestoreLine(); });
    }
}

}  // namespace quillmark
