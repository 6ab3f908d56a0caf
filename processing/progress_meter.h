// progress_meter.h - turns what the engine says of its reads into progress reports for the front
// end, at most every interval, and carries the front end's cancel request back.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

#include "processing/run_reporting.h"

namespace quillmark {

// The state of a run's reads at one moment. The texts need only last for the call they are
// passed to.
struct ProgressSample {
    std::uint64_t bytesDone = 0;
    std::uint64_t filesDone = 0;
    std::uint64_t filesInProgress = 0;
    // The oldest file not finished (empty texts for none), its size once open and its bytes read.
    std::string_view directory;
    std::string_view name;
    std::uint64_t fileSize = 0;
    std::uint64_t fileDone = 0;
};

// Used by one thread, the one that feeds the engine: reads on other threads are counted through
// the engine's shared counters, which the sample is taken from.
class ProgressMeter {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr Clock::duration kDefaultInterval = std::chrono::milliseconds(100);

    // Where the time comes from: the steady clock, or a test's own.
    using TimeSource = Clock::time_point (*)();

    explicit ProgressMeter(RunProgressView& view, Clock::duration interval = kDefaultInterval,
                           TimeSource now = &Clock::now);

    // Polls the cancel request and reports when due; false once a cancel has been requested.
    bool Update(const ProgressSample& sample);
    // The same between steps that read no file (the counts stay as they were).
    bool Poll();
    // One last report with the final counts, when anything was counted.
    void Finish();

    bool Cancelled() const { return m_cancelled; }
    std::uint64_t FilesDone() const { return m_progress.filesDone; }
    std::uint64_t BytesDone() const { return m_progress.bytesDone; }

private:
    bool PollCancel();

    RunProgressView& m_view;
    const Clock::duration m_interval;
    const TimeSource m_now;
    Clock::time_point m_nextReport;
    RunProgress m_progress;
    bool m_cancelled = false;
};

}  // namespace quillmark
