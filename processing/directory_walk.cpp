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

DirectoryWalk::DirectoryWalk(const CCRCSettings& settings, OutputSink& sink, ResultTree& tree,
                             RunMessages& messages, ProgressMeter& meter, ParallelChoice choice)
    : m_settings(settings),
      m_sink(sink),
      m_tree(tree),
      m_messages(messages),
      m_meter(meter),
      m_engine(settings.ChecksumReadMode(), choice, meter,
               [this](const FileTask& task, const FileOutcome& outcome) {
                   return Report(*task.directoryText, task.name, outcome.result);
               }) {}

bool DirectoryWalk::Stopped() const {
    return m_writeFailed || m_meter.Cancelled() || m_engine.Stopped();
}

void DirectoryWalk::Finish() { m_engine.Drain(); }

void DirectoryWalk::ShowCannotOpen(const std::string& path) {
    // Every result of the files before this directory comes first, as in a walk of one file at
    // a time.
    if (!m_engine.Drain()) return;
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
    std::string text;
    if (m_format != nullptr) {
        m_format->Append(text, directoryText + name, result.size, result.crc, result.Readable());
        if (text.empty()) return true;
    } else {
        text = FormatResultLine(m_settings, result.Readable(), result.crc, directoryText, name,
                                result.size);
    }
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

    const auto text = std::make_shared<const std::string>(directoryText);
    for (const FindRecord& entry : *entries) {
        if ((entry.attrib & kAttribDirectory) != 0) continue;
        FileTask task;
        task.directory = directory;
        task.directoryText = text;
        task.name = entry.name;
        if (!m_engine.Submit(std::move(task))) return;
    }
}

}  // namespace quillmark
