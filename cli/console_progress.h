// console_progress.h - the run's progress as one line on a terminal, rewritten in place.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "processing/progress_rate.h"
#include "processing/run_reporting.h"

namespace quillmark {

// "1234 files, 56.7 MB, 412.3 MB/s  /path/of/current/file" (decimal megabytes), redrawn with \r at
// most every 100 ms. The "windows" of a run are always available: a second run cannot start while
// one is going.
class ConsoleProgressView : public RunProgressView {
public:
    ConsoleProgressView(int fd, bool visible, std::function<bool()> cancelRequested);

    bool RunStarting(RunKind kind) override;
    void RunEnded(RunKind kind) override;
    void OnProgress(const RunProgress& progress) override;
    bool IsCancelRequested() override;

    // Wipes the line so that other text on the same terminal starts in column one.
    void ClearLine();
    // Shows the last line again after ClearLine.
    void RestoreLine();

private:
    std::size_t TerminalWidth() const;

    int m_fd;
    bool m_visible;
    bool m_lineShown = false;
    std::string m_lastLine;
    std::function<bool()> m_cancelRequested;
    std::chrono::steady_clock::time_point m_lastDraw;
    std::chrono::steady_clock::time_point m_started;
    RateMeter m_rate;
};

}  // namespace quillmark
