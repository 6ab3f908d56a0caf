// run_processing.h - one processing run, from the settings record to the last result line.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

#include "platform/regular_file.h"
#include "processing/output_sink.h"
#include "processing/result_format.h"
#include "processing/result_tree.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"

namespace quillmark {

struct RunEnvironment {
    RunEnvironment(OutputSink& paneSink, MessagePresenter& presenter, RunProgressView& view,
                   ResultTree& results)
        : pane(paneSink), messages(presenter), progress(view), tree(results) {}

    OutputSink& pane;  // the screen destination: the window's pane, or standard output
    MessagePresenter& messages;
    RunProgressView& progress;
    ResultTree& tree;  // filled only during a sorted run; empty again when the run returns
    UnreadableFileReport* unreadable = nullptr;
    // The regular file the screen output goes to, if it is one (standard output redirected): a
    // run never checksums the file it is writing.
    std::optional<FileIdentity> screenFile;
    // How many files are read at once: 1 reads one at a time, 0 lets the run find the number
    // that suits the device. The output is the same either way.
    unsigned jobs = 0;
    // The time progress reports are paced by; a test's own clock makes them deterministic.
    std::chrono::steady_clock::time_point (*clock)() = &std::chrono::steady_clock::now;
    // A window must never wait in an open: it refuses an output that is not a regular file.
    bool regularOutputOnly = false;
    // Results in this format instead of the settings' style (SFV, say); each run's output opens
    // with its header.
    const ResultFormat* format = nullptr;
};

struct RunOutcome {
    std::uint64_t filesProcessed = 0;
    std::uint64_t filesUnreadable = 0;
    std::uint64_t bytesRead = 0;
    std::uint32_t messagesShown = 0;
    bool walked = false;  // false when the run ended before the walk
    bool cancelled = false;
};

// The run may set settings.m_nOutputDest to 1 (an empty output file name means the screen).
RunOutcome RunProcessing(CCRCSettings& settings, RunEnvironment& env);

}  // namespace quillmark
