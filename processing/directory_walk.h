// directory_walk.h - WalkDirectory and ProcessDirectoryFiles: finding the files of a run and
// handing each one's result to the sink or the sorted results.
#pragma once

#include <cstdint>
#include <string>

#include "processing/output_sink.h"
#include "processing/progress_meter.h"
#include "processing/result_tree.h"
#include "processing/run_messages.h"
#include "settings/crc_settings.h"

namespace quillmark {

class DirectoryWalk {
public:
    // sink: where unsorted lines go (the pane or the output file, as the run chose).
    DirectoryWalk(const CCRCSettings& settings, OutputSink& sink, ResultTree& tree,
                  RunMessages& messages, ProgressMeter& meter)
        : m_settings(settings), m_sink(sink), m_tree(tree), m_messages(messages), m_meter(meter) {}

    // Enters path (made to end in '/') by its full name, reports its matching files, then walks
    // the subdirectories the pattern matches. False when it ended early: the directory could not
    // be entered or read, or no subdirectory matched the pattern.
    bool WalkDirectory(std::string path, std::string pattern);
    // The matching files of the working directory, each printed behind directoryText.
    void ProcessDirectoryFiles(const std::string& directoryText, const std::string& pattern);

    // A cancel or a failed write ends the whole walk, not just one directory.
    bool Stopped() const { return m_writeFailed || m_meter.Cancelled(); }
    bool WriteFailed() const { return m_writeFailed; }
    std::uint64_t FilesReported() const { return m_filesReported; }
    std::uint64_t FilesUnreadable() const { return m_filesUnreadable; }

private:
    const CCRCSettings& m_settings;
    OutputSink& m_sink;
    ResultTree& m_tree;
    RunMessages& m_messages;
    ProgressMeter& m_meter;
    bool m_writeFailed = false;
    std::uint64_t m_filesReported = 0;
    std::uint64_t m_filesUnreadable = 0;
};

}  // namespace quillmark
