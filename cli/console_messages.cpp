// console_messages.cpp - the messages a run would show in boxes, as lines on standard error.
#include "cli/console_messages.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "cli/console_progress.h"

namespace quillmark {

void WriteAllTo(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

ConsoleMessagePresenter::ConsoleMessagePresenter(int fd, OutputSink& results,
                                                 ConsoleProgressView& progress)
    : m_fd(fd), m_results(results), m_progress(progress) {}

void ConsoleMessagePresenter::ShowMessage(std::string_view text, std::string_view caption) {
    ++m_count;
    m_results.Flush();
    m_progress.ClearLine();
    std::string line = "quillmark-cli: ";
    line.append(caption);
    line += ": ";
    line.append(text);
    if (line.back() != '\n') line += '\n';
    WriteAllTo(m_fd, line);
}

}  // namespace quillmark
