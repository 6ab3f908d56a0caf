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

// Characters converted at a time: the whole text is never held as UTF-16 beside its UTF-8.
constexpr int kChunkCharacters = 1 << 20;

// The text of positions [from, to) of document as UTF-8, block ends as LF, taken a chunk at a
// time through a cursor (which reads the document's text buffer directly).
QByteArray Utf8Between(const QTextDocument& document, int from, int to) {
    QByteArray bytes;
    if (to <= from) return bytes;
    bytes.reserve(to - from);
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    for (int start = from; start < to;) {
        int end = std::min(start + kChunkCharacters, to);
        // A surrogate pair stays whole, or each half would become a replacement character.
        if (end < to && document.characterAt(end - 1).isHighSurrogate()) ++end;
        cursor.setPosition(start);
        cursor.setPosition(end, QTextCursor::KeepAnchor);
        QString chunk = cursor.selectedText();
        chunk.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
        bytes += chunk.toUtf8();
        start = end;
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
    // The last position is the document's closing paragraph end, which is not text.
    return Utf8Between(*document(), 0, document()->characterCount() - 1);
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
