// progress_meter.cpp - time-throttled progress reports and cancel polling for a run.
#include "processing/progress_meter.h"

namespace quillmark {

ProgressMeter::ProgressMeter(RunProgressView& view, Clock::duration interval, TimeSource now)
    : m_view(view), m_interval(interval), m_now(now), m_nextReport(now() + interval) {}

bool ProgressMeter::Update(const ProgressSample& sample) {
    m_progress.bytesDone = sample.bytesDone;
    m_progress.filesDone = sample.filesDone;
    m_progress.filesInProgress = sample.filesInProgress;
    if (!sample.name.empty()) {
        m_progress.currentFileSize = sample.fileSize;
        m_progress.currentFileDone = sample.fileDone;
    } else {
        // Nothing in flight: the last file named is done.
        m_progress.currentFileDone = m_progress.currentFileSize;
    }
    if (PollCancel()) return false;
    const Clock::time_point now = m_now();
    if (now < m_nextReport) return true;
    m_nextReport = now + m_interval;
    // The path is only put together when a report goes out, not once per file.
    if (!sample.name.empty()) {
        m_progress.currentPath.assign(sample.directory);
        m_progress.currentPath.append(sample.name);
    }
    m_view.OnProgress(m_progress);
    return true;
}

bool ProgressMeter::Poll() {
    ProgressSample same;
    same.bytesDone = m_progress.bytesDone;
    same.filesDone = m_progress.filesDone;
    return Update(same);
}

void ProgressMeter::Finish() {
    m_progress.filesInProgress = 0;
    if (m_progress.filesDone != 0 || m_progress.bytesDone != 0) m_view.OnProgress(m_progress);
}

bool ProgressMeter::PollCancel() {
    if (!m_cancelled && m_view.IsCancelRequested()) m_cancelled = true;
    return m_cancelled;
}

}  // namespace quillmark
