// output_pane.h - the main window's text pane: results appended at its end without disturbing
// the user, a selection copied as UTF-8 without a rich-text copy of the document, and Paste
// decided from the clipboard's formats alone.
#pragma once

#include <QByteArray>
#include <QPlainTextEdit>
#include <QString>

namespace quillmark {

class OutputPane : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit OutputPane(QWidget* parent = nullptr);

    // Whether Paste can do anything: the clipboard offers text. Only its formats are asked for,
    // never its content, which another program may hold by the megabyte.
    bool CanPasteText() const;
    // The selection as UTF-8 with LF line ends, built block by block.
    QByteArray SelectedUtf8() const;
    // The whole text as UTF-8 with LF line ends, exactly as shown.
    QByteArray AllUtf8() const;

protected:
    // Copy, Cut, a drag and the X11 primary selection all take their data from here. Qt's own
    // copies the selection into a rich-text document first, which for a million lines costs
    // seconds and a gigabyte; the pane holds plain text only.
    QMimeData* createMimeDataFromSelection() const override;
};

// Appends result text at the end of the pane, whatever the user has selected or scrolled to: the
// selection stays, and the view follows the new text only when it was scrolled to the end.
// Result text is not an edit of the user's: the insert ends the undo history, so Undo stays off
// until the user edits again.
void InsertResultText(QPlainTextEdit& pane, const QString& text);

}  // namespace quillmark
