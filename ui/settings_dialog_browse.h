// settings_dialog_browse.h - the file dialogs behind the Browse buttons of "Quillmark Options".
#pragma once

#include <QString>

class QWidget;

namespace quillmark {

// Each starts at what the box holds now and returns the chosen path, or an empty string when
// the user cancels.
QString ChooseInputFile(QWidget* parent, const QString& current);
// The chosen directory ends in '/', so the input names every file in it.
QString ChooseInputDirectory(QWidget* parent, const QString& current);
// No overwrite prompt of its own: the dialog's output check asks when the values are taken.
QString ChooseOutputFile(QWidget* parent, const QString& current);

}  // namespace quillmark
