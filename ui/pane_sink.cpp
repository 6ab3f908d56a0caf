// pane_sink.cpp - batching result text into the output pane.
#include "ui/pane_sink.h"

#include "ui/output_pane.h"

namespace quillmark {

bool PaneSink::Write(std::string_view text) {
    m_buffer.append(text);
    if (m_buffer.size() >= kBatchBytes) return Flush();
    return true;
}

bool PaneSink::Flush() {
    if (m_buffer.empty()) return true;
    // Paths are bytes in the system code page, which is UTF-8 here; invalid sequences become
    // replacement characters rather than being dropped.
    InsertResultText(m_pane, QString::fromLocal8Bit(m_buffer));
    m_buffer.clear();
    return true;
}

}  // namespace quillmark
