// gui_progress_view.h - a run's progress as the desktop program shows it: one progress window,
// opened, updated and closed on the GUI thread while the work goes on elsewhere.
#pragma once

#include <QPointer>

#include "processing/run_reporting.h"
#include "ui/progress_dialogs.h"

class QWidget;

namespace quillmark {

class GuiProgressView : public RunProgressView {
public:
    explicit GuiProgressView(QWidget* owner);

    // False while any progress window is up: one run at a time, whatever its kind.
    bool RunStarting(RunKind kind) override;
    void RunEnded(RunKind kind) override;
    void OnProgress(const RunProgress& progress) override;
    bool IsCancelRequested() override;

    bool IsWindowUp() const { return m_pProcessingDlg || m_pSortingDlg; }
    CProgressDlg* CurrentWindow() const;

private:
    QWidget* m_owner;
    QPointer<CProcessingDlg> m_pProcessingDlg;
    QPointer<CSortingDlg> m_pSortingDlg;
};

}  // namespace quillmark
