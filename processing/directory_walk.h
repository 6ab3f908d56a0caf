// directory_walk.h - WalkDirectory and ProcessDirectoryFiles: finding the files of a run and
// handing each one's result to the sink or the sorted results.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "checksum/crc_table.h"
#include "platform/directory_handle.h"
#include "platform/directory_search.h"
#include "platform/regular_file.h"
#include "processing/engine/file_engine.h"
#include "processing/output_sink.h"
#include "processing/progress_meter.h"
#include "processing/result_tree.h"
#include "processing/run_messages.h"
#include "processing/run_reporting.h"
#include "settings/crc_settings.h"

namespace quillmark {

// A file of the walk is a name inside an open directory, never a path from the working
// directory: each directory is opened relative to its parent and refused when it is a link, so a
// tree that changes during the run cannot lead the walk outside it, and paths of any length are
// walked.
//
// Trees of any depth are walked in bounded resources: the walk keeps its levels in a list, not on
// the call stack; it keeps one text for the path of the directory it is in, each level holding
// only where its part ends; and it keeps open the directories of the last levels and a few ever
// sparser ancestors above them, releasing the rest. A released ancestor is opened again, relative
// to its own parent, when the walk climbs back into it, and must then be the directory it was.
class DirectoryWalk {
public:
    // sink: where unsorted lines go (the pane or the output file, as the run chose). choice: how
    // many files are read at once (jobs 0: as many as the device rewards); the results come in
    // walk order whatever it says.
    DirectoryWalk(const CCRCSettings& settings, OutputSink& sink, ResultTree& tree,
                  RunMessages& messages, ProgressMeter& meter, ParallelChoice choice);

    // Files never checksummed, such as the run's own output file. Before the walk starts.
    void Exclude(const FileIdentity& identity) { m_engine.Exclude(identity); }
    // Lines in this format instead of the settings' style. Before the walk starts.
    void WriteIn(const ResultFormat* format) { m_format = format; }
    // Told of each unreadable file, and of each directory that cannot be walked, with its reason.
    void ReportUnreadableTo(UnreadableFileReport* report) { m_unreadableReport = report; }

    // Reports the matching files of directory (path is its text, made to end in '/'), then walks
    // the subdirectories the pattern matches, and theirs. A null directory is one that could not
    // be opened, openError the errno saying why (0: not known). False when it ended early: the
    // directory could not be opened or read, or no subdirectory matched the pattern.
    bool WalkDirectory(std::shared_ptr<const DirectoryHandle> directory, std::string path,
                       std::string pattern, int openError = 0);
    // Waits for the files still being read and reports them. After the walk.
    void Finish();

    // A cancel or a failed write ends the whole walk, not just one directory.
    bool Stopped() const;
    bool WriteFailed() const { return m_writeFailed; }
    std::uint64_t FilesReported() const { return m_filesReported; }
    std::uint64_t FilesUnreadable() const { return m_filesUnreadable; }

private:
    // One directory of the path the walk is in.
    struct Level {
        std::shared_ptr<const DirectoryHandle> directory;  // null while released
        std::optional<FileIdentity> identity;              // taken when released
        std::size_t textEnd = 0;  // its text: m_text's first textEnd bytes, ending in '/' (or none)
        bool everyName = false;   // walked with "*.*", else with the run's pattern
        std::vector<FindRecord> subdirectories;
        std::size_t next = 0;  // the next of them to look at
    };

    // The matching files of directory, each printed behind directoryText.
    void ProcessDirectoryFiles(const std::shared_ptr<const DirectoryHandle>& directory,
                               const std::string& directoryText, std::string_view pattern);
    // Reports the files of the newest level and lists its subdirectories. False when they
    // cannot be listed or none matches.
    bool Enter(Level& level);
    std::string_view PatternOf(const Level& level) const;
    // Opens the newest level's directory again when it was released, together with the released
    // ancestors between it and the nearest open one. False when one of them is no longer the
    // directory it was or cannot be opened: that one is reported, and it and the levels below
    // it are left.
    bool Reopen();
    // Releases the directories the walk no longer keeps open, now that the newest level is
    // levels[depth].
    void Release(std::size_t depth);
    void ShowCannotOpen(const std::string& path, int error);
    void ShowCannotOpen(const std::string& path, std::string_view reason);
    void ReportUnreadable(const std::string& directoryText, const std::string& name,
                          const CrcResult& result);
    // One finished file's line or sorted entry; false when the write failed.
    bool Report(const std::string& directoryText, const std::string& name, const CrcResult& result);

    const CCRCSettings& m_settings;
    OutputSink& m_sink;
    ResultTree& m_tree;
    RunMessages& m_messages;
    ProgressMeter& m_meter;
    UnreadableFileReport* m_unreadableReport = nullptr;
    const ResultFormat* m_format = nullptr;
    FileEngine m_engine;
    bool m_writeFailed = false;
    std::uint64_t m_filesReported = 0;
    std::uint64_t m_filesUnreadable = 0;

    std::string m_pattern;  // the run's pattern
    std::string m_text;     // the path of the newest level's directory as printed, ending in '/'
    std::vector<Level> m_levels;
    std::vector<std::size_t> m_open;  // the levels whose directory is open, shallowest first
};

}  // namespace quillmark
