// console_output.h - standard output and the progress line on standard error, set up alike for a
// run and for a check.
#pragma once

#include "cli/cli_options.h"
#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"

namespace quillmark {

// Text on a terminal goes out as it comes, and the progress line steps aside for it; the progress
// line is shown as the choice says (by default when standard error is a terminal) and an
// interrupt cancels the run.
class ConsoleOutput {
public:
    explicit ConsoleOutput(ProgressChoice choice);
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

    DescriptorSink& StandardOutput() { return m_standardOutput; }
    ConsoleProgressView& Progress() { return m_progress; }

private:
    DescriptorSink m_standardOutput;
    ConsoleProgressView m_progress;
};

}  // namespace quillmark
