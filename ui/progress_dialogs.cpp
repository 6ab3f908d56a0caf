// progress_dialogs.cpp - layout and behaviour of the two progress windows.
#include "ui/progress_dialogs.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/resources/ui_texts.h"

namespace quillmark {
namespace {

constexpr int kPathWidthPixels = 420;

}  // namespace

CProgressDlg::CProgressDlg(const char* caption, const char* label, QWidget* parent)
    // A title bar without a close box: the window ends with its run, or through Cancel.
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(QString::fromLatin1(caption));
    setWindowModality(Qt::ApplicationModal);

    auto* layout = new QVBoxLayout(this);
    auto* pLabel = new QLabel(QString::fromLatin1(label), this);
    pLabel->setObjectName("progressLabel");
    layout->addWidget(pLabel);

    m_pFilesDone = new QLabel(this);
    m_pFilesDone->setObjectName("filesDoneLabel");
    m_pBytesDone = new QLabel(this);
    m_pBytesDone->setObjectName("bytesDoneLabel");
    m_pCurrentPath = new QLabel(this);
    m_pCurrentPath->setObjectName("currentPathLabel");
    m_pCurrentPath->setFixedWidth(kPathWidthPixels);
    m_pCurrentPath->setTextFormat(Qt::PlainText);
    layout->addSpacing(6);
    layout->addWidget(m_pFilesDone);
    layout->addWidget(m_pBytesDone);
    layout->addWidget(m_pCurrentPath);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_pCancel = buttons->button(QDialogButtonBox::Cancel);
    m_pCancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::rejected, this, &CProgressDlg::reject);
    layout->addWidget(buttons);

    ShowProgress(RunProgress{});
}

void CProgressDlg::ShowProgress(const RunProgress& progress) {
    QLocale locale;
    m_pFilesDone->setText(tr("Files done: %1").arg(locale.toString(progress.filesDone)));
    m_pBytesDone->setText(tr("Bytes done: %1").arg(locale.toString(progress.bytesDone)));
    QString path = QString::fromLocal8Bit(progress.currentPath);
    m_pCurrentPath->setText(
        m_pCurrentPath->fontMetrics().elidedText(path, Qt::ElideMiddle, kPathWidthPixels));
    m_pCurrentPath->setToolTip(path);
}

void CProgressDlg::reject() {
    if (m_bCancelRequested) return;
    m_bCancelRequested = true;
    m_pCancel->setEnabled(false);
    emit cancelRequested();
}

void CProgressDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    reject();
}

CProcessingDlg::CProcessingDlg(QWidget* parent)
    : CProgressDlg(kProcessingCaption, kProcessingLabel, parent) {
    setObjectName("processingDlg");
}

CSortingDlg::CSortingDlg(QWidget* parent) : CProgressDlg(kSortingCaption, kSortingLabel, parent) {
    setObjectName("sortingDlg");
}

}  // namespace quillmark
