// console_messages.cpp - the messages a run would show in boxes, as lines on standard error.
#include "cli/console_messages.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"
#include "platform/posix_io.h"
#include "processing/run_messages.h"

namespace quillmark {

void WriteAllTo(int fd, std::string_view text) { static_cast<void>(WriteAll(fd, text)); }

std::string CommandMessage(std::string_view text) {
    std::string line = "quillmark-cli: ";
    line.append(text);
    line += '\n';
    return line;
}

void SayOnStandardError(std::string_view text) { WriteAllTo(STDERR_FILENO, CommandMessage(text)); }

ConsoleMessagePresenter::ConsoleMessagePresenter(int fd, OutputSink& results,
                                                 ConsoleProgressView& progress)
    : m_fd(fd), m_results(results), m_progress(progress) {}

void ConsoleMessagePresenter::ShowMessage(std::string_view text, std::string_view caption) {
    ++m_count;
    m_results.Flush();
    if (text == kWriteFailedText) {
        if (m_standardOutput != nullptr && m_standardOutput->Failed()) return;
        m_writeFailureShown = true;
    }
    m_progress.ClearLine();
    std::string message(caption);
    message += ": ";
    message.append(text);
    // A text ending in a line feed ends the message's line itself.
    if (message.back() == '\n') message.pop_back();
    WriteAllTo(m_fd, CommandMessage(message));
}

}  // namespace quillmark
