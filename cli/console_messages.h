// console_messages.h - the messages a run would show in boxes, as lines on standard error.
#pragma once

#include <string>
#include <string_view>

#include "processing/output_sink.h"
#include "processing/run_reporting.h"

namespace quillmark {

class ConsoleProgressView;
class DescriptorSink;

// Writes every byte, retrying after signals; errors are ignored (there is nowhere to report
// that standard error is gone).
void WriteAllTo(int fd, std::string_view text);

// The command's own line about text: "quillmark-cli: TEXT" and a line feed.
std::string CommandMessage(std::string_view text);
// Writes CommandMessage(text) to standard error.
void SayOnStandardError(std::string_view text);

// "quillmark-cli: CAPTION: TEXT", one line. The results written so far go out first, so the
// message stands after them as it would in the window.
class ConsoleMessagePresenter : public MessagePresenter {
public:
    ConsoleMessagePresenter(int fd, OutputSink& results, ConsoleProgressView& progress);

    void ShowMessage(std::string_view text, std::string_view caption) override;
    unsigned MessageCount() const { return m_count; }
    // Whether a run has said it could not write to its output file.
    bool WriteFailureShown() const { return m_writeFailureShown; }
    // Once standard output has failed, the run's "unable to write to output file" would blame a
    // file the user never named; the command says what failed itself, so it is left out.
    void SetStandardOutput(const DescriptorSink* standardOutput) {
        m_standardOutput = standardOutput;
    }

private:
    int m_fd;
    OutputSink& m_results;
    ConsoleProgressView& m_progress;
    unsigned m_count = 0;
    bool m_writeFailureShown = false;
    const DescriptorSink* m_standardOutput = nullptr;
};

}  // namespace quillmark
