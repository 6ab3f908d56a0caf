// directory_walk.cpp - the walk: each directory opened relative to its parent, its files first,
// then the subdirectories its pattern matches.
#include "processing/directory_walk.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "checksum/crc_table.h"
#include "platform/ascii_case.h"
#include "platform/directory_search.h"
#include "processing/name_escaping.h"
#include "processing/result_line.h"

namespace quillmark {

namespace {

constexpr const char* kEveryName = "*.*";

bool HasWildcard(std::string_view pattern) {
    return pattern.find_first_of("*?") != std::string_view::npos;
}

// Dot directories are private by convention: a wildcard or a walk never enters them, but one
// the pattern names exactly is entered like any directory named without its '/'.
bool EntersDotDirectory(std::string_view name, std::string_view pattern) {
    if (name == "." || name == "..") return false;
    return !HasWildcard(pattern) && EqualIgnoringAsciiCase(name, pattern);
}

}  // namespace

void DirectoryWalk::ReadInParallel(ParallelChoice choice) {
    auto deliver = [this](const FileTask& task, const FileOutcome& outcome) {
        if (outcome.excluded) return true;
        m_meter.EndFile();
        return Report(*task.directoryText, task.name, outcome.result);
    };
    auto poll = [this](std::uint64_t bytes, const FileTask* oldest, std::uint64_t size,
                       std::uint64_t done) {
        if (oldest == nullptr) return m_meter.OnSharedProgress(bytes, {}, {}, 0, 0);
        return m_meter.OnSharedProgress(bytes, *oldest->directoryText, oldest->name, size, done);
    };
    m_parallel = std::make_unique<ParallelFiles>(m_settings.ChecksumReadMode(), m_excluded, choice,
                                                 std::move(deliver), std::move(poll));
}

bool DirectoryWalk::Stopped() const {
    return m_writeFailed || m_meter.Cancelled() || (m_parallel && m_parallel->Stopped());
}

void DirectoryWalk::Finish() {
    if (!m_parallel) return;
    m_parallel->Drain();
    m_meter.OnSharedProgress(m_parallel->BytesRead(), {}, {}, 0, 0);
}

void DirectoryWalk::ShowCannotOpen(const std::string& path) {
    // Every result of the files before this directory comes first, as in a walk of one file at
    // a time.
    if (m_parallel && !m_parallel->Drain()) return;
    std::string text = kDirectoryNotFoundText;
    text += EscapeForDisplay(path);
    text += '\n';
    m_messages.Show(text);
}

bool DirectoryWalk::WalkDirectory(std::shared_ptr<const DirectoryHandle> directory,
                                  std::string path, std::string pattern) {
    if (!path.empty() && path.back() != '/') path += '/';
    if (directory == nullptr) {
        ShowCannotOpen(path);
        return false;
    }
    if (pattern.empty()) pattern = kEveryName;

    ProcessDirectoryFiles(directory, path, pattern);
    if (Stopped()) return true;

    // Subdirectories are found through the same pattern, so only those it matches are entered.
    const std::optional<std::vector<FindRecord>> entries = FindSubdirectories(*directory, pattern);
    if (!entries) {
        ShowCannotOpen(path);
        return false;
    }
    if (entries->empty()) return false;
    for (const FindRecord& entry : *entries) {
        if (Stopped()) break;
        if (entry.name.front() == '.' && !EntersDotDirectory(entry.name, pattern)) continue;
        if (!m_settings.IsRecursive()) continue;
        std::string childPath = path;
        childPath += entry.name;
        childPath += '/';
        std::string childPattern;
        if (m_settings.UsesDirWildcards() || EqualIgnoringAsciiCase(entry.name, pattern)) {
            childPattern = kEveryName;
        } else {
            childPattern = pattern;
        }
        // Opened without following links: a directory swapped for a link since it was listed is
        // reported like any directory that cannot be opened.
        std::optional<DirectoryHandle> child = OpenSubdirectory(*directory, entry.name);
        WalkDirectory(child ? std::make_shared<const DirectoryHandle>(std::move(*child)) : nullptr,
                      std::move(childPath), std::move(childPattern));
    }
    return true;
}

bool DirectoryWalk::IsExcluded(const RegularFile& file) const {
    return std::find(m_excluded.begin(), m_excluded.end(), file.Identity()) != m_excluded.end();
}

void DirectoryWalk::ReportUnreadable(const std::string& directoryText, const std::string& name,
                                     const CrcResult& result) {
    ++m_filesUnreadable;
    if (m_unreadableReport == nullptr) return;
    const char* reason = result.status == CrcStatus::Changed ? "file changed while being read"
                         : result.error != 0                 ? std::strerror(result.error)
                                                             : "read error";
    m_unreadableReport->OnUnreadableFile(directoryText + name, reason);
}

bool DirectoryWalk::Report(const std::string& directoryText, const std::string& name,
                           const CrcResult& result) {
    ++m_filesReported;
    if (!result.Readable()) ReportUnreadable(directoryText, name, result);
    if (m_settings.IsSorted()) {
        m_tree.Insert(directoryText + name, result.size, result.crc, result.Readable());
        return true;
    }
    const std::string text = FormatResultLine(m_settings, result.Readable(), result.crc,
                                              directoryText, name, result.size);
    if (!m_sink.Write(text)) m_writeFailed = true;
    return !m_writeFailed;
}

void DirectoryWalk::ProcessDirectoryFiles(const std::shared_ptr<const DirectoryHandle>& directory,
                                          const std::string& directoryText,
                                          const std::string& pattern) {
    const std::optional<std::vector<FindRecord>> entries = FindEntries(*directory, pattern);
    if (!entries) {
        ShowCannotOpen(directoryText);
        return;
    }
    if (entries->empty()) return;

    if (m_parallel) {
        const auto text = std::make_shared<const std::string>(directoryText);
        for (const FindRecord& entry : *entries) {
            if ((entry.attrib & kAttribDirectory) != 0) continue;
            if (!m_parallel->Submit(FileTask{directory, text, entry.name})) return;
        }
        return;
    }

    // The meter holds views of this call's texts; it must let go of them however the loop ends.
    struct LeaveDirectory {
        ProgressMeter& meter;
        ~LeaveDirectory() { meter.EndDirectory(); }
    } leave{m_meter};

    for (const FindRecord& entry : *entries) {
        if ((entry.attrib & kAttribDirectory) != 0) continue;
        if (!m_meter.BeginFile(directoryText, entry.name)) return;
        int openError = 0;
        std::optional<RegularFile> file =
            RegularFile::OpenAt(directory->Descriptor(), entry.name, &openError);
        if (file && IsExcluded(*file)) continue;
        CrcResult result;
        if (file) {
            m_meter.SetCurrentFileSize(file->Size());
            result = m_table.ComputeFileCrc(*file, m_settings.ChecksumReadMode(), &m_meter);
        } else {
            result.error = openError;
        }
        file.reset();
        // A file whose read was cancelled part-way has no result to report.
        if (result.status == CrcStatus::Cancelled) return;
        m_meter.EndFile();
        if (!Report(directoryText, entry.name, result)) return;
    }
}

}  // namespace quillmark
