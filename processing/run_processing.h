// run_processing.h - one processing run, from the settings record to the last result line.
#pragma once

#include <cstdint>

#include "processing/output_sink.h"
#include "processing/result_tree.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"

namespace quillmark {

struct RunEnvironment {
    OutputSink& pane;  // the screen destination: the window's pane, or standard output
    MessagePresenter& messages;
    RunProgressView& progress;
    ResultTree& tree;  // filled only during a sorted run; empty again when the run returns
    // A window must never wait in an open: it refuses an output that is not a regular file.
    bool regularOutputOnly = false;
};

struct RunSummary {
    std::uint64_t filesProcessed = 0;
    std::uint64_t filesUnreadable = 0;
    std::uint64_t bytesRead = 0;
    std::uint32_t messagesShown = 0;
    bool walked = false;     // false when the run ended before the walk
    bool cancelled = false;
};

// The run may set settings.m_nOutputDest to 1 (an empty output file name means the screen).
RunSummary RunProcessing(CCRCSettings& settings, RunEnvironment& env);

}  // namespace quillmark
