// about_dlg.cpp - the About box: one label and an OK button.
#include "ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/resources/ui_texts.h"

namespace quillmark {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kAboutCaption));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QString::fromLatin1(kAboutText), this);
    label->setObjectName("aboutLabel");
    label->setAlignment(Qt::AlignHCenter);
    layout->addWidget(label);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setCenterButtons(true);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

}  // namespace quillmark
