// progress_dialogs.cpp - layout and behaviour of the two progress windows.
#include "ui/progress_dialogs.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "checksum/read_buffer.h"
#include "ui/resources/ui_texts.h"

namespace quillmark {
namespace {

constexpr int kPathWidthPixels = 420;
constexpr int kBarSteps = 1000;

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

    // Below the labels: how far into the current file, and how fast. The bar keeps its place
    // while hidden, so the window's fixed size never has to change.
    m_pFileBar = new QProgressBar(this);
    m_pFileBar->setObjectName("currentFileBar");
    m_pFileBar->setRange(0, kBarSteps);
    m_pFileBar->setTextVisible(false);
    QSizePolicy barPolicy = m_pFileBar->sizePolicy();
    barPolicy.setRetainSizeWhenHidden(true);
    m_pFileBar->setSizePolicy(barPolicy);
    // With several files in flight the one named is only the oldest of them; this says so.
    m_pInProgress = new QLabel(this);
    m_pInProgress->setObjectName("filesInProgressLabel");
    QSizePolicy inProgressPolicy = m_pInProgress->sizePolicy();
    inProgressPolicy.setRetainSizeWhenHidden(true);
    m_pInProgress->setSizePolicy(inProgressPolicy);
    m_pRate = new QLabel(this);
    m_pRate->setObjectName("bytesPerSecondLabel");
    layout->addWidget(m_pFileBar);
    layout->addWidget(m_pInProgress);
    layout->addWidget(m_pRate);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    m_pCancel = buttons->button(QDialogButtonBox::Cancel);
    m_pCancel->setObjectName("cancelButton");
    connect(buttons, &QDialogButtonBox::rejected, this, &CProgressDlg::reject);
    layout->addWidget(buttons);

    m_pInProgress->setText(tr("%1 files in progress").arg(QLocale().toString(1024)));
    ShowProgress(RunProgress{}, 0);
    // A fixed frame: nothing in it grows, so neither resizing nor maximising would show more.
    setFixedSize(sizeHint());
    m_sinceOpen.start();
}

void CProgressDlg::ShowProgress(const RunProgress& progress) {
    ShowProgress(progress, m_sinceOpen.elapsed());
}

void CProgressDlg::ShowProgress(const RunProgress& progress, qint64 elapsedMs) {
    QLocale locale;
    // A file read in one buffer is over before a bar could move.
    const bool showBar = progress.currentFileSize > kReadBufferSize;
    if (showBar) {
        const std::uint64_t done = std::min(progress.currentFileDone, progress.currentFileSize);
        // In steps, not bytes: the bar's range is an int and files pass 2 GiB.
        m_pFileBar->setValue(static_cast<int>(done * kBarSteps / progress.currentFileSize));
    }
    m_pFileBar->setVisible(showBar);
    const bool several = progress.filesInProgress > 1;
    if (several) {
        m_pInProgress->setText(
            tr("%1 files in progress").arg(locale.toString(progress.filesInProgress)));
    }
    m_pInProgress->setVisible(several);
    m_rate.Add(elapsedMs, progress.bytesDone);
    m_pRate->setText(QString::fromStdString(FormatRate(m_rate.BytesPerSecond())));
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
