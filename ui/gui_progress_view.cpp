// gui_progress_view.cpp - opens, updates and closes the progress windows of a run.
#include "ui/gui_progress_view.h"

namespace quillmark {

GuiProgressView::GuiProgressView(QWidget* owner) : m_owner(owner) {}

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
    // The work waits on another thread; the GUI thread's event loop paints the window as soon as
    // this returns.
    window->show();
    window->raise();
    window->activateWindow();
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
    if (CProgressDlg* window = CurrentWindow()) window->ShowProgress(progress);
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

}  // namespace quillmark
