// run_thread.h - work of the desktop program (a run, a check) on a worker thread: the GUI thread
// waits in a local event loop, painting and answering Cancel, while the work's output, messages
// and progress come over as queued calls.
#pragma once

#include <functional>

#include "processing/output_sink.h"
#include "processing/result_tree.h"
#include "processing/run_processing.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"
#include "ui/gui_progress_view.h"

class QObject;

namespace quillmark {

// What work on the worker thread reports through: stand-ins for the window's pane, message boxes
// and progress window that may be called from the worker.
struct WorkerReporting {
    OutputSink& pane;
    MessagePresenter& messages;
    RunProgressView& progress;
};

// The GUI thread never walks or reads. Each call returns when the work has ended, as a direct
// call would, so callers see the same sequence; meanwhile a message box the work shows blocks only
// the worker until it is answered, and result text reaches the pane in batches.
class RunOnWorkerThread {
public:
    // gui: an object of the GUI thread, the context every call from the worker runs in.
    RunOnWorkerThread(QObject& gui, OutputSink& pane, MessagePresenter& presenter,
                      GuiProgressView& progress, ResultTree& tree)
        : m_gui(gui), m_pane(pane), m_presenter(presenter), m_progress(progress), m_tree(tree) {}

    RunOutcome Run(CCRCSettings& settings);
    // Any work: called once on the worker thread with the stand-ins; text it writes is in the pane
    // when this returns.
    void Work(const std::function<void(WorkerReporting&)>& work);

private:
    QObject& m_gui;
    OutputSink& m_pane;
    MessagePresenter& m_presenter;
    GuiProgressView& m_progress;
    ResultTree& m_tree;
};

}  // namespace quillmark
