// gui_progress_view.h - a run's progress as the desktop program shows it: one progress window,
// kept alive by pumping events from the run's progress callback.
#pragma once

#include <QElapsedTimer>
#include <QPointer>

#include "processing/output_sink.h"
#include "processing/run_reporting.h"
#include "ui/progress_dialogs.h"

class QWidget;

namespace quillmark {

class GuiProgressView : public RunProgressView {
public:
    // pendingOutput is flushed whenever events are pumped, so results appear while the run works.
    GuiProgressView(QWidget* owner, OutputSink& pendingOutput);

    // False while any progress window is up: one run at a time, whatever its kind.
    bool RunStarting(RunKind kind) override;
    void RunEnded(RunKind kind) override;
    void OnProgress(const RunProgress& progress) override;
    bool IsCancelRequested() override;

    bool IsWindowUp() const { return m_pProcessingDlg || m_pSortingDlg; }
    CProgressDlg* CurrentWindow() const;

private:
    // The run is synchronous; repainting and answering the desktop happen here, often enough to
    // look alive and seldom enough to cost nothing measurable.
    static constexpr int kPumpIntervalMs = 50;
    void PumpEvents();

    QWidget* m_owner;
    OutputSink& m_pendingOutput;
    QPointer<CProcessingDlg> m_pProcessingDlg;
    QPointer<CSortingDlg> m_pSortingDlg;
    QElapsedTimer m_sincePump;
};

}  // namespace quillmark
