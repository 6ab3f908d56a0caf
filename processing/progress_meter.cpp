// progress_meter.cpp - time-throttled progress reports and cancel polling for a run.
#include "processing/progress_meter.h"

namespace quillmark {

ProgressMeter::ProgressMeter(RunProgressView& view, Clock::duration interval, TimeSource now)
    : m_view(view), m_interval(interval), m_now(now), m_nextReport(now() + interval) {}

bool ProgressMeter::BeginFile(std::string_view directory, std::string_view name,
                              std::uint64_t size) {
    m_directory = directory;
    m_name = name;
    m_progress.currentFileSize = size;
    m_progress.currentFileDone = 0;
    if (PollCancel()) return false;
    // One clock read per file: cheap beside opening the file, and a run of small files still
    // gets its reports on time.
    ReportIfDue();
    return true;
}

void ProgressMeter::EndFile() { ++m_progress.filesDone; }

void ProgressMeter::EndDirectory() {
    if (m_name.empty()) return;
    m_progress.currentPath.assign(m_directory);
    m_progress.currentPath.append(m_name);
    m_directory = {};
    m_name = {};
}

bool ProgressMeter::OnBytesRead(std::uint64_t bytes) {
    m_progress.bytesDone += bytes;
    m_progress.currentFileDone += bytes;
    if (PollCancel()) return false;
    ReportIfDue();
    return true;
}

bool ProgressMeter::OnSharedProgress(std::uint64_t bytesDone, std::string_view directory,
                                     std::string_view name, std::uint64_t fileSize,
                                     std::uint64_t fileDone) {
    m_progress.bytesDone = bytesDone;
    m_progress.currentFileSize = fileSize;
    m_progress.currentFileDone = fileDone;
    m_directory = directory;
    m_name = name;
    const bool cancelled = PollCancel();
    if (!cancelled) ReportIfDue();
    m_directory = {};
    m_name = {};
    return !cancelled;
}

bool ProgressMeter::Poll() {
    if (PollCancel()) return false;
    ReportIfDue();
    return true;
}

void ProgressMeter::Finish() {
    if (m_progress.filesDone != 0 || m_progress.bytesDone != 0) Report();
}

bool ProgressMeter::PollCancel() {
    if (!m_cancelled && m_view.IsCancelRequested()) m_cancelled = true;
    return m_cancelled;
}

void ProgressMeter::ReportIfDue() {
    const Clock::time_point now = m_now();
    if (now < m_nextReport) return;
    m_nextReport = now + m_interval;
    Report();
}

void ProgressMeter::Report() {
    // The path is only put together when a report goes out, not once per file.
    if (!m_name.empty()) {
        m_progress.currentPath.assign(m_directory);
        m_progress.currentPath.append(m_name);
    }
    m_view.OnProgress(m_progress);
}

}  // namespace quillmark
