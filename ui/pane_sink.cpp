// pane_sink.cpp - batching result text into the output pane.
#include "ui/pane_sink.h"

#include <QPlainTextEdit>
#include <QTextCursor>

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

void InsertResultText(QPlainTextEdit& pane, const QString& text) {
    QTextCursor cursor = pane.textCursor();
    // Qt cannot insert without recording while keeping earlier history; turning undo off and on
    // drops the history, which is the chosen behaviour.
    pane.setUndoRedoEnabled(false);
    cursor.insertText(text);
    pane.setUndoRedoEnabled(true);
    pane.setTextCursor(cursor);
}

}  // namespace quillmark
