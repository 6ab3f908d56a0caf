// message_box.h - the program's two kinds of message box: an error (OK, no icon) and a question
// (Yes/No, question icon).
#pragma once

#include <QString>

class QWidget;

namespace quillmark {

void ShowErrorBox(QWidget* owner, const QString& text, const QString& caption);
// True when the user answers Yes.
bool AskYesNo(QWidget* owner, const QString& text, const QString& caption);

}  // namespace quillmark
