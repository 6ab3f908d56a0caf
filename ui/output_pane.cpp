// output_pane.cpp - the output pane: appending results, plain-text copies, Paste from formats.
#include "ui/output_pane.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace quillmark {
namespace {

// The text of positions [from, to) of document, one block at a time, so that no copy of the whole
// text as UTF-16 is ever held beside the UTF-8 result.
QByteArray Utf8Between(const QTextDocument& document, int from, int to) {
    QByteArray bytes;
    if (to <= from) return bytes;
    bytes.reserve(to - from);
    for (QTextBlock block = document.findBlock(from); block.isValid() && block.position() < to;
         block = block.next()) {
        const int start = block.position();
        const QString text = block.text();
        const int first = std::max(from - start, 0);
        const int last = std::min(to - start, static_cast<int>(text.size()));
        if (last > first) bytes += QStringView(text).mid(first, last - first).toUtf8();
        // The separator after this block, when it lies inside the range.
        if (start + text.size() < to && block.next().isValid()) bytes += '\n';
    }
    return bytes;
}

}  // namespace

OutputPane::OutputPane(QWidget* parent) : QPlainTextEdit(parent) {}

bool OutputPane::CanPasteText() const {
    if (isReadOnly()) return false;
    const QMimeData* offered = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    return offered != nullptr && offered->hasText();
}

QByteArray OutputPane::SelectedUtf8() const {
    const QTextCursor cursor = textCursor();
    return Utf8Between(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

QByteArray OutputPane::AllUtf8() const {
    return Utf8Between(*document(), 0, document()->characterCount());
}

QMimeData* OutputPane::createMimeDataFromSelection() const {
    auto* mime = new QMimeData;
    mime->setData(QStringLiteral("text/plain"), SelectedUtf8());
    return mime;
}

void InsertResultText(QPlainTextEdit& pane, const QString& text) {
    QScrollBar* vertical = pane.verticalScrollBar();
    QScrollBar* horizontal = pane.horizontalScrollBar();
    const bool followEnd = vertical->value() >= vertical->maximum();
    const int verticalValue = vertical->value();
    const int horizontalValue = horizontal->value();

    const QTextCursor user = pane.textCursor();
    const int anchor = user.anchor();
    const int position = user.position();
    // A cursor with nothing selected at the very end moves on with the text, as typing would.
    const bool userAtEnd =
        !user.hasSelection() && position == pane.document()->characterCount() - 1;

    QTextCursor end(pane.document());
    end.movePosition(QTextCursor::End);
    // Qt cannot insert without recording while keeping earlier history; turning undo off and on
    // drops the history, which is the chosen behaviour.
    pane.setUndoRedoEnabled(false);
    end.insertText(text);
    pane.setUndoRedoEnabled(true);

    // Text inserted where the selection ends would otherwise widen it.
    QTextCursor kept = pane.textCursor();
    if (!userAtEnd && (kept.anchor() != anchor || kept.position() != position)) {
        kept.setPosition(anchor);
        kept.setPosition(position, QTextCursor::KeepAnchor);
        pane.setTextCursor(kept);
    }
    horizontal->setValue(horizontalValue);
    vertical->setValue(followEnd ? vertical->maximum() : verticalValue);
}

}  // namespace quillmark
