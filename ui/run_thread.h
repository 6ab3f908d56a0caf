// run_thread.h - a run of the desktop program on a worker thread: the GUI thread waits in a local
// event loop, painting and answering Cancel, while the run's output, messages and progress come
// over as queued calls.
#pragma once

#include "processing/output_sink.h"
#include "processing/result_tree.h"
#include "processing/run_processing.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"
#include "ui/gui_progress_view.h"

class QObject;

namespace quillmark {

// The GUI thread never runs the walk. Run returns when the run has ended, as a direct call would,
// so callers see the same sequence; meanwhile a message box the run shows blocks only the worker
// until it is answered, and result text reaches the pane in batches.
class RunOnWorkerThread {
public:
    // gui: an object of the GUI thread, the context every call from the worker runs in.
    RunOnWorkerThread(QObject& gui, OutputSink& pane, MessagePresenter& presenter,
                      GuiProgressView& progress, ResultTree& tree)
        : m_gui(gui), m_pane(pane), m_presenter(presenter), m_progress(progress), m_tree(tree) {}

    RunOutcome Run(CCRCSettings& settings);

private:
    QObject& m_gui;
    OutputSink& m_pane;
    MessagePresenter& m_presenter;
    GuiProgressView& m_progress;
    ResultTree& m_tree;
};

}  // namespace quillmark
