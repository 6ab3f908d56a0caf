// directory_walk.cpp - the walk: each directory opened relative to its parent, its files first,
// then the subdirectories its pattern matches.
#include "processing/directory_walk.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "checksum/crc_table.h"
#include "platform/directory_search.h"
#include "processing/name_escaping.h"
#include "processing/result_line.h"

namespace quillmark {

namespace {

constexpr const char* kEveryName = "*.*";

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + ('a' - 'A'));
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + ('a' - 'A'));
        if (x != y) return false;
    }
    return true;
}

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

void DirectoryWalk::ShowCannotOpen(const std::string& path) {
    std::string text = "Unable to locate the directory: ";
    text += EscapeForDisplay(path);
    text += '\n';
    m_messages.Show(text);
}

bool DirectoryWalk::WalkDirectory(const DirectoryHandle* directory, std::string path,
                                  std::string pattern) {
    if (!path.empty() && path.back() != '/') path += '/';
    if (directory == nullptr) {
        ShowCannotOpen(path);
        return false;
    }
    if (pattern.empty()) pattern = kEveryName;

    ProcessDirectoryFiles(*directory, path, pattern);
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
        if (m_settings.m_bNoRecursion != 0) continue;
        std::string childPath = path;
        childPath += entry.name;
        childPath += '/';
        std::string childPattern;
        if (m_settings.m_bDirWildcards == 1 || EqualIgnoringAsciiCase(entry.name, pattern)) {
            childPattern = kEveryName;
        } else {
            childPattern = pattern;
        }
        // Opened without following links: a directory swapped for a link since it was listed is
        // reported like any directory that cannot be opened.
        const std::optional<DirectoryHandle> child = OpenSubdirectory(*directory, entry.name);
        WalkDirectory(child ? &*child : nullptr, std::move(childPath), std::move(childPattern));
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
                         : result.error != 0                  ? std::strerror(result.error)
                                                              : "read error";
    m_unreadableReport->OnUnreadableFile(directoryText + name, reason);
}

void DirectoryWalk::ProcessDirectoryFiles(const DirectoryHandle& directory,
                                          const std::string& directoryText,
                                          const std::string& pattern) {
    const CrcTable table;
    const std::optional<std::vector<FindRecord>> entries = FindEntries(directory, pattern);
    if (!entries) {
        ShowCannotOpen(directoryText);
        return;
    }
    if (entries->empty()) return;

    // The meter holds views of this call's texts; it must let go of them however the loop ends.
    struct LeaveDirectory {
        ProgressMeter& meter;
        ~LeaveDirectory() { meter.EndDirectory(); }
    } leave{m_meter};

    const bool sorted = m_settings.m_bSortOutput == 1;
    for (const FindRecord& entry : *entries) {
        if ((entry.attrib & kAttribDirectory) != 0) continue;
        if (!m_meter.BeginFile(directoryText, entry.name)) return;
        int openError = 0;
        std::optional<RegularFile> file =
            RegularFile::OpenAt(directory.Descriptor(), entry.name, &openError);
        if (file && IsExcluded(*file)) continue;
        CrcResult result;
        if (file) {
            result = table.ComputeFileCrc(*file, m_settings.m_flags, &m_meter);
        } else {
            result.error = openError;
        }
        file.reset();
        // A file whose read was cancelled part-way has no result to report.
        if (result.status == CrcStatus::Cancelled) return;
        m_meter.EndFile();
        ++m_filesReported;
        if (!result.Readable()) ReportUnreadable(directoryText, entry.name, result);

        if (sorted) {
            m_tree.Insert(directoryText + entry.name, result.size, result.crc,
                          result.Readable());
            continue;
        }
        const std::string text = FormatResultLine(m_settings, result.Readable(), result.crc,
                                                  directoryText, entry.name, result.size);
        if (!m_sink.Write(text)) {
            m_writeFailed = true;
            return;
        }
    }
}

}  // namespace quillmark
