// pane_sink.h - the output pane as a run's screen destination, fed in large batches.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "processing/output_sink.h"

class QPlainTextEdit;

namespace quillmark {

// Inserting line by line into a text widget costs orders of magnitude more than inserting one
// joined batch, so text is held back until the buffer is large, the run asks for a flush, or the
// progress view wants the user to see it.
class PaneSink : public OutputSink {
public:
    static constexpr std::size_t kBatchBytes = 256 * 1024;

    explicit PaneSink(QPlainTextEdit& pane) : m_pane(pane) {}

    bool Write(std::string_view text) override;
    bool Flush() override;

private:
    QPlainTextEdit& m_pane;
    std::string m_buffer;
};

}  // namespace quillmark
