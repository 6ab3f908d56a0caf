// directory_walk.cpp - the walk: each directory entered by its full path, its files first, then
// the subdirectories its pattern matches.
#include "processing/directory_walk.h"

#include <vector>

#include "checksum/crc_table.h"
#include "platform/directory_search.h"
#include "platform/path_services.h"
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

}  // namespace

bool DirectoryWalk::WalkDirectory(std::string path, std::string pattern) {
    if (!path.empty()) {
        if (path.back() != '/') path += '/';
        // A path too long for the platform fails here like any directory that cannot be entered.
        if (!ChangeDirectory(path)) {
            std::string text = "Unable to locate the directory: ";
            text += path;
            text += '\n';
            m_messages.Show(text);
            return false;
        }
    }
    if (!GetCurrentDirectory()) {
        m_messages.Show("Unable to get current directory. Aborting.");
        return false;
    }
    const std::string directoryText = path;
    if (pattern.empty() || pattern.front() == '.') pattern = kEveryName;

    ProcessDirectoryFiles(directoryText, pattern);
    if (Stopped()) return true;

    // Subdirectories are found through the same pattern, so only those it matches are entered.
    const std::vector<FindRecord> entries = FindSubdirectories(std::string(), pattern);
    if (entries.empty()) return false;
    for (const FindRecord& entry : entries) {
        if (Stopped()) break;
        // Also leaves out "." and "..".
        if (entry.name.front() == '.') continue;
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
        // This call's entries were read in full, so its listing survives the child's chdir.
        WalkDirectory(std::move(childPath), std::move(childPattern));
    }
    return true;
}

void DirectoryWalk::ProcessDirectoryFiles(const std::string& directoryText,
                                          const std::string& pattern) {
    const CrcTable table;
    const std::vector<FindRecord> entries = FindEntries(std::string(), pattern);
    if (!GetCurrentDirectory()) {
        m_messages.Show("Unable to get current directory. Aborting.");
        return;
    }
    if (entries.empty()) return;

    // The meter holds views of this call's texts; it must let go of them however the loop ends.
    struct LeaveDirectory {
        ProgressMeter& meter;
        ~LeaveDirectory() { meter.EndDirectory(); }
    } leave{m_meter};

    const bool sorted = m_settings.m_bSortOutput == 1;
    std::string keyDirectory;
    if (sorted) {
        // The sort key is lowercase whatever the lowercase option; the printed directory text of
        // this call keeps its case.
        keyDirectory = directoryText;
        LowercaseAscii(keyDirectory);
    }
    for (const FindRecord& entry : entries) {
        if ((entry.attrib & kAttribDirectory) != 0) continue;
        if (!m_meter.BeginFile(directoryText, entry.name, entry.size)) return;
        const CrcResult result =
            table.ComputeFileCrc(entry.name, entry.size, m_settings.m_flags, &m_meter);
        // A file whose read was cancelled part-way has no result to report.
        if (result.status == CrcStatus::Cancelled) return;
        m_meter.EndFile();
        ++m_filesReported;
        if (!result.Readable()) ++m_filesUnreadable;

        if (sorted) {
            std::string key = keyDirectory + entry.name;
            LowercaseAscii(key);
            m_tree.Insert(std::move(key), entry.size, result.crc, result.Readable());
            continue;
        }
        const std::string text = FormatResultLine(m_settings, result.Readable(), result.crc,
                                                  directoryText, entry.name, entry.size);
        if (!m_sink.Write(text)) {
            m_writeFailed = true;
            return;
        }
    }
}

}  // namespace quillmark
