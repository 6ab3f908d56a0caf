// run_thread.cpp - the worker thread of a run or a check and the stand-ins through which it reaches
// the window: text handed over in batches, messages and progress windows by blocking calls,
// progress by queued ones, Cancel by a flag.
#include "ui/run_thread.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <atomic>
#include <string>
#include <thread>

namespace quillmark {

namespace {

constexpr std::size_t kBatchBytes = 256 * 1024;
// Text handed over but not yet in the pane; past this the worker waits for the window to catch
// up, so a fast run cannot pile up memory in the event queue.
constexpr std::size_t kMostInFlight = 8 * kBatchBytes;

class CrossThreadPane : public OutputSink {
public:
    CrossThreadPane(QObject& gui, OutputSink& pane) : m_gui(gui), m_pane(pane) {}

    bool Write(std::string_view text) override {
        m_buffer.append(text);
        if (m_buffer.size() >= kBatchBytes) HandOver();
        return true;
    }
    // Queued before any message the run shows next, so the text is in the pane before the box.
    bool Flush() override {
        HandOver();
        return true;
    }

private:
    void HandOver() {
        if (m_buffer.empty()) return;
        const std::size_t size = m_buffer.size();
        m_inFlight += size;
        auto deliver = [this, text = std::move(m_buffer), size] {
            m_pane.Write(text);
            m_pane.Flush();
            m_inFlight -= size;
        };
        m_buffer = std::string();
        const Qt::ConnectionType type =
            m_inFlight.load() > kMostInFlight ? Qt::BlockingQueuedConnection : Qt::QueuedConnection;
        QMetaObject::invokeMethod(&m_gui, std::move(deliver), type);
    }

    QObject& m_gui;
    OutputSink& m_pane;
    std::string m_buffer;
    std::atomic<std::size_t> m_inFlight{0};
};

class CrossThreadPresenter : public MessagePresenter {
public:
    CrossThreadPresenter(QObject& gui, MessagePresenter& presenter)
        : m_gui(gui), m_presenter(presenter) {}

    void ShowMessage(std::string_view text, std::string_view caption) override {
        QMetaObject::invokeMethod(
            &m_gui, [&] { m_presenter.ShowMessage(text, caption); }, Qt::BlockingQueuedConnection);
    }

private:
    QObject& m_gui;
    MessagePresenter& m_presenter;
};

class CrossThreadProgress : public RunProgressView {
public:
    CrossThreadProgress(QObject& gui, GuiProgressView& view) : m_gui(gui), m_view(view) {}

    bool RunStarting(RunKind kind) override {
        bool opened = false;
        QMetaObject::invokeMethod(
            &m_gui,
            [&] {
                opened = m_view.RunStarting(kind);
                // Cancel is answered the moment it is clicked, without waiting for a poll.
                if (opened) {
                    QObject::connect(m_view.CurrentWindow(), &CProgressDlg::cancelRequested, &m_gui,
                                     [this] { m_cancel = true; });
                    // Opening paints the window, and a Cancel may already have come in then.
                    if (m_view.IsCancelRequested()) m_cancel = true;
                }
            },
            Qt::BlockingQueuedConnection);
        return opened;
    }
    void RunEnded(RunKind kind) override {
        QMetaObject::invokeMethod(
            &m_gui, [&] { m_view.RunEnded(kind); }, Qt::BlockingQueuedConnection);
    }
    // The meter already sends at most one report per interval; each is copied across.
    void OnProgress(const RunProgress& progress) override {
        QMetaObject::invokeMethod(
            &m_gui, [this, progress] { m_view.OnProgress(progress); }, Qt::QueuedConnection);
    }
    bool IsCancelRequested() override { return m_cancel.load(std::memory_order_relaxed); }

private:
    QObject& m_gui;
    GuiProgressView& m_view;
    std::atomic<bool> m_cancel{false};
};

}  // namespace

RunOutcome RunOnWorkerThread::Run(CCRCSettings& settings) {
    RunOutcome summary;
    Work([&](WorkerReporting& reporting) {
        RunEnvironment environment{reporting.pane, reporting.messages, reporting.progress, m_tree};
        // The window must never wait in an open: an output that is not a regular file is refused.
        environment.regularOutputOnly = true;
        summary = quillmark::RunProcessing(settings, environment);
    });
    return summary;
}

void RunOnWorkerThread::Work(const std::function<void(WorkerReporting&)>& work) {
    CrossThreadPane pane(m_gui, m_pane);
    CrossThreadPresenter presenter(m_gui, m_presenter);
    CrossThreadProgress progress(m_gui, m_progress);
    WorkerReporting reporting{pane, presenter, progress};

    QEventLoop loop;
    std::thread worker([&] {
        work(reporting);
        pane.Flush();
        // Queued behind the last text and progress, so the loop ends once they are shown.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
}

}  // namespace quillmark
