// about_dlg.h - "About Quillmark": the program's title, its authors and where to learn more.
#pragma once

#include <QDialog>

namespace quillmark {

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent);
};

}  // namespace quillmark
