// progress_dialogs.h - the windows shown while a run works: "Processing files" and "Sort in
// progress", with counts, the current path and a Cancel button.
#pragma once

#include <QDialog>

#include "processing/run_reporting.h"

class QLabel;
class QPushButton;

namespace quillmark {

class CProgressDlg : public QDialog {
    Q_OBJECT

public:
    void ShowProgress(const RunProgress& progress);
    bool IsCancelRequested() const { return m_bCancelRequested; }

signals:
    void cancelRequested();

public slots:
    // Esc and Cancel ask the run to stop; the window stays until the run takes it down.
    void reject() override;

protected:
    CProgressDlg(const char* caption, const char* label, QWidget* parent);
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_pFilesDone;
    QLabel* m_pBytesDone;
    QLabel* m_pCurrentPath;
    QPushButton* m_pCancel;
    bool m_bCancelRequested = false;
};

class CProcessingDlg : public CProgressDlg {
    Q_OBJECT

public:
    explicit CProcessingDlg(QWidget* parent);
};

class CSortingDlg : public CProgressDlg {
    Q_OBJECT

public:
    explicit CSortingDlg(QWidget* parent);
};

}  // namespace quillmark
