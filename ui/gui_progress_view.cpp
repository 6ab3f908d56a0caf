// gui_progress_view.cpp - opens, updates and closes the progress windows of a run.
#include "ui/gui_progress_view.h"

#include <QCoreApplication>

namespace quillmark {

GuiProgressView::GuiProgressView(QWidget* owner, OutputSink& pendingOutput)
    : m_owner(owner), m_pendingOutput(pendingOutput) {}

bool GuiProgressView::RunStarting(RunKind kind) {
    if (IsWindowUp()) {
        CurrentWindow()->activateWindow();
        return false;
    }
    CProgressDlg* window = nullptr;
    if (kind == RunKind::Processing) {
        window = m_pProcessingDlg = new CProcessingDlg(m_owner);
    } else {
        window = m_pSortingDlg = new CSortingDlg(m_owner);
    }
    window->show();
    window->raise();
    window->activateWindow();
    // Paint it now: a short run may never call back before it ends.
    PumpEvents();
    return true;
}

void GuiProgressView::RunEnded(RunKind kind) {
    if (kind == RunKind::Processing) {
        delete m_pProcessingDlg.data();
    } else {
        delete m_pSortingDlg.data();
    }
}

void GuiProgressView::OnProgress(const RunProgress& progress) {
    if (m_sincePump.isValid() && m_sincePump.elapsed() < kPumpIntervalMs) return;
    if (CProgressDlg* window = CurrentWindow()) window->ShowProgress(progress);
    PumpEvents();
}

bool GuiProgressView::IsCancelRequested() {
    CProgressDlg* window = CurrentWindow();
    return window != nullptr && window->IsCancelRequested();
}

CProgressDlg* GuiProgressView::CurrentWindow() const {
    if (m_pProcessingDlg) return m_pProcessingDlg.data();
    if (m_pSortingDlg) return m_pSortingDlg.data();
    return nullptr;
}

void GuiProgressView::PumpEvents() {
    m_pendingOutput.Flush();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sincePump.start();
}

}  // namespace quillmark
