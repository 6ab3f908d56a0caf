// input_explanation.h - why an input that a run reported no file for gave nothing, in words the
// front ends show beside the program's name or in a box.
#pragma once

#include <optional>
#include <string>

#include "processing/run_processing.h"

namespace quillmark {

struct InputExplanation {
    std::string text;      // "cannot access 'x': No such file or directory"
    bool failure = false;  // a name that cannot be checksummed, not merely one left unwalked
};

// A plain name that reports no file gives no line and no message in a run, which would pass a
// typing error, a FIFO or a link to a directory off as success; each gets its own explanation.
// Patterns that match nothing are explained only when patterns is true. Nothing when the run
// reported a file, showed a message or was cancelled.
std::optional<InputExplanation> ExplainEmptyRun(const std::string& input, bool recursive,
                                                const RunOutcome& summary, bool patterns = false);

}  // namespace quillmark
