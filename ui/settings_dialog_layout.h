// settings_dialog_layout.h - builds the controls of "Quillmark Options" in their arrangement and
// tab order.
#pragma once

class QAction;
class QCheckBox;
class QDialog;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillmark {

// Non-owning: every control is a child of the dialog it was built on.
struct SettingsDialogControls {
    QPushButton* ok = nullptr;
    QPushButton* defaults = nullptr;
    QPushButton* cancel = nullptr;
    QCheckBox* sortOutput = nullptr;
    QCheckBox* noRecursion = nullptr;
    QCheckBox* dirWildcards = nullptr;
    QCheckBox* lowercase = nullptr;
    QCheckBox* unixLf = nullptr;
    QRadioButton* saveToFile = nullptr;
    QRadioButton* sendToScreen = nullptr;
    QRadioButton* descriptive = nullptr;
    QRadioButton* tabular = nullptr;
    QRadioButton* ascii = nullptr;
    QRadioButton* binary = nullptr;
    QLineEdit* input = nullptr;
    QPushButton* inputBrowse = nullptr;
    // The input may be a file or a directory, and no one file dialog offers both well: the
    // input's Browse button opens a menu with one entry for each.
    QAction* inputBrowseFile = nullptr;
    QAction* inputBrowseDirectory = nullptr;
    QLineEdit* output = nullptr;
    QPushButton* outputBrowse = nullptr;
    QPushButton* close = nullptr;
};

// Left column: processing options, output destination, output style. Right: the file options
// with the two path boxes, then the four buttons at the bottom right. Every control carries a
// stable objectName so that tests and style sheets can find it.
SettingsDialogControls BuildSettingsDialogControls(QDialog* dialog);

}  // namespace quillmark
