// console_progress.cpp - the run's progress as one line on a terminal, rewritten in place.
#include "cli/console_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "cli/console_messages.h"
#include "processing/name_escaping.h"
#include "processing/progress_rate.h"

namespace quillmark {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr const char* kClearToEndOfLine = "\x1b[K";

}  // namespace

ConsoleProgressView::ConsoleProgressView(int fd, bool visible,
                                         std::function<bool()> cancelRequested)
    : m_fd(fd), m_visible(visible), m_cancelRequested(std::move(cancelRequested)) {}

bool ConsoleProgressView::RunStarting(RunKind) {
    // A run that ends within the first interval never draws, so quick runs do not flicker.
    m_lastDraw = std::chrono::steady_clock::now();
    m_started = m_lastDraw;
    m_rate = RateMeter();
    return true;
}

void ConsoleProgressView::RunEnded(RunKind) {
    ClearLine();
    m_lastLine.clear();
}

void ConsoleProgressView::OnProgress(const RunProgress& progress) {
    if (!m_visible) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastDraw < kRedrawInterval) return;
    m_lastDraw = now;

    m_rate.Add(std::chrono::duration_cast<std::chrono::milliseconds>(now - m_started).count(),
               progress.bytesDone);
    std::string line = std::to_string(progress.filesDone) + " files, " +
                       FormatMegabytes(progress.bytesDone) + ", " +
                       FormatRate(m_rate.BytesPerSecond()) + "  ";
    // The line must never wrap, or \r would only rewrite its last row.
    const std::size_t width = TerminalWidth() - 1;
    // A name's control characters would move the cursor or pass for other output.
    const std::string shownPath = EscapeForDisplay(progress.currentPath);
    std::string_view path = shownPath;
    if (line.size() + path.size() > width) {
        const std::size_t room = width > line.size() + 3 ? width - line.size() - 3 : 0;
        line += "...";
        path = path.substr(path.size() - std::min(room, path.size()));
        // The cut falls on a character's first byte, so no piece of one reaches the terminal.
        while (!path.empty() && (static_cast<unsigned char>(path.front()) & 0xC0) == 0x80) {
            path.remove_prefix(1);
        }
    }
    line.append(path);
    if (line.size() > width) line.resize(width);
    m_lastLine = "\r" + line + kClearToEndOfLine;
    WriteAllTo(m_fd, m_lastLine);
    m_lineShown = true;
}

bool ConsoleProgressView::IsCancelRequested() { return m_cancelRequested(); }

void ConsoleProgressView::ClearLine() {
    if (!m_lineShown) return;
    WriteAllTo(m_fd, std::string("\r") + kClearToEndOfLine);
    m_lineShown = false;
}

void ConsoleProgressView::RestoreLine() {
    if (m_lineShown || m_lastLine.empty()) return;
    WriteAllTo(m_fd, m_lastLine);
    m_lineShown = true;
}

std::size_t ConsoleProgressView::TerminalWidth() const {
    struct winsize size {};
    if (::ioctl(m_fd, TIOCGWINSZ, &size) == 0 && size.ws_col >= 20) return size.ws_col;
    return 80;
}

}  // namespace quillmark
