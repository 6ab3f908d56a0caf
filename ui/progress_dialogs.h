// progress_dialogs.h - the windows shown while a run works: "Processing files" and "Sort in
// progress", with counts, the current path and a Cancel button.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include "processing/progress_rate.h"
#include "processing/run_reporting.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace quillmark {

class CProgressDlg : public QDialog {
    Q_OBJECT

public:
    // Measures the rate from the moment the window was built.
    void ShowProgress(const RunProgress& progress);
    // The same, with the milliseconds the run has taken so far given by the caller (never less
    // than the last call's).
    void ShowProgress(const RunProgress& progress, qint64 elapsedMs);
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
    QProgressBar* m_pFileBar;
    QLabel* m_pInProgress;
    QLabel* m_pRate;
    RateMeter m_rate;
    QPushButton* m_pCancel;
    QElapsedTimer m_sinceOpen;
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
