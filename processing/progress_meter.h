// progress_meter.h - counts a run's files and bytes, reports them to the front end at most every
// interval, and carries a cancel request from the front end into the checksum reads.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "checksum/crc_table.h"
#include "processing/run_reporting.h"

namespace quillmark {

class ProgressMeter : public ReadProgress {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kDefaultInterval = std::chrono::milliseconds(100);

    // Where the time comes from: the steady clock, or a test's own.
    using TimeSource = Clock::time_point (*)();

    explicit ProgressMeter(RunProgressView& view, Clock::duration interval = kDefaultInterval,
                           TimeSource now = &Clock::now);

    // Before each file: false once a cancel has been requested. The two texts must stay valid
    // until EndFile. size is the file's listed size, 0 when not known.
    bool BeginFile(std::string_view directory, std::string_view name, std::uint64_t size = 0);
    // The size of the file begun, once it is open (the listing does not look it up).
    void SetCurrentFileSize(std::uint64_t size) { m_progress.currentFileSize = size; }
    void EndFile();
    // Before the texts given to BeginFile go away: the path is kept for the reports that follow.
    void EndDirectory();
    // Between buffers of the current file: false stops its read.
    bool OnBytesRead(std::uint64_t bytes) override;
    // For reads done on other threads: the bytes they have read in all, and the oldest file not
    // finished yet (empty texts for none) with its size and bytes read. Polls the cancel request
    // and reports when due; false once a cancel has been requested. The texts need only last for
    // the call.
    bool OnSharedProgress(std::uint64_t bytesDone, std::string_view directory,
                          std::string_view name, std::uint64_t fileSize, std::uint64_t fileDone);
    // Between steps that read no file: false once a cancel has been requested; reports when due.
    bool Poll();
    // One last report with the final counts, when anything was counted.
    void Finish();

    bool Cancelled() const { return m_cancelled; }
    std::uint64_t FilesDone() const { return m_progress.filesDone; }
    std::uint64_t BytesDone() const { return m_progress.bytesDone; }

private:
    bool PollCancel();
    void ReportIfDue();
    void Report();

    RunProgressView& m_view;
    const Clock::duration m_interval;
    const TimeSource m_now;
    Clock::time_point m_nextReport;
    RunProgress m_progress;
    std::string_view m_directory;
    std::string_view m_name;
    bool m_cancelled = false;
};

}  // namespace quillmark
