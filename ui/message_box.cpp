// message_box.cpp - error and question boxes, modal to their owner.
#include "ui/message_box.h"

#include <QMessageBox>

#include "ui/cursor_scope.h"

namespace quillmark {
namespace {

// Several messages end with a line feed, which a box would show as an empty line above its
// buttons; the message itself keeps it.
QString ShownText(QString text) {
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text;
}

int ExecBox(QMessageBox& box) {
    // Texts carry paths, and a path may look like markup ("/data/<i>x</i>/").
    box.setTextFormat(Qt::PlainText);
    // Whatever cursor a command set for its work, a box waiting for the user shows the arrow.
    const CursorScope arrow(Qt::ArrowCursor);
    return box.exec();
}

}  // namespace

void ShowErrorBox(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, ShownText(text), QMessageBox::Ok, owner);
    ExecBox(box);
}

bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, ShownText(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    return ExecBox(box) == QMessageBox::Yes;
}

}  // namespace quillmark
