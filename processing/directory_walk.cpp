// directory_walk.cpp - the walk: each directory opened relative to its parent, its files first,
// then the subdirectories its pattern matches.
#include "processing/directory_walk.h"

#include <algorithm>
#include <bit>
#include <cerrno>
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
// How many levels the walk keeps open in each band of its released ancestors (see Release).
constexpr std::size_t kLevelsPerBand = 8;

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

void DirectoryWalk::ShowCannotOpen(const std::string& path, int error) {
    ShowCannotOpen(path, error != 0 ? std::string_view(std::strerror(error)) : std::string_view());
}

void DirectoryWalk::ShowCannotOpen(const std::string& path, std::string_view reason) {
    // Every result of the files before this directory comes first, as in a walk of one file at
    // a time.
    if (!m_engine.Drain()) return;
    std::string text = kDirectoryNotFoundText;
    text += EscapeForDisplay(path);
    text += '\n';
    m_messages.Show(text);
    if (m_unreadableReport != nullptr && !reason.empty()) {
        m_unreadableReport->OnUnreadableDirectory(path, reason);
    }
}

std::string_view DirectoryWalk::PatternOf(const Level& level) const {
    return level.everyName ? std::string_view(kEveryName) : std::string_view(m_pattern);
}

bool DirectoryWalk::WalkDirectory(std::shared_ptr<const DirectoryHandle> directory,
                                  std::string path, std::string pattern, int openError) {
    if (!path.empty() && path.back() != '/') path += '/';
    if (directory == nullptr) {
        ShowCannotOpen(path, openError);
        return false;
    }
    m_pattern = pattern.empty() ? std::string(kEveryName) : std::move(pattern);
    m_text = std::move(path);
    m_levels.clear();
    m_open.clear();
    Level start;
    start.directory = std::move(directory);
    start.textEnd = m_text.size();
    m_levels.push_back(std::move(start));
    m_open.push_back(0);
    const bool entered = Enter(m_levels.back());

    while (!m_levels.empty() && !Stopped()) {
        Level& level = m_levels.back();
        if (level.next == level.subdirectories.size()) {
            if (!m_open.empty() && m_open.back() == m_levels.size() - 1) m_open.pop_back();
            m_levels.pop_back();
            if (!m_levels.empty()) m_text.resize(m_levels.back().textEnd);
            continue;
        }
        const std::string_view levelPattern = PatternOf(level);
        const std::string& name = level.subdirectories[level.next].name;
        if ((name.front() == '.' && !EntersDotDirectory(name, levelPattern)) ||
            !m_settings.IsRecursive()) {
            ++level.next;
            continue;
        }
        // Climbing back may find a released ancestor replaced: then this level is gone.
        if (!Reopen()) continue;

        // Subdirectories are found through the same pattern, so only those it matches are
        // entered; one whose name is the pattern is walked whole.
        Level child;
        child.everyName = level.everyName || m_settings.UsesDirWildcards() ||
                          EqualIgnoringAsciiCase(name, levelPattern);
        m_text += name;
        m_text += '/';
        // Opened without following links: a directory swapped for a link since it was listed is
        // reported like any directory that cannot be opened.
        OpenError error;
        std::optional<DirectoryHandle> opened = OpenSubdirectory(*level.directory, name, &error);
        ++level.next;
        if (!opened) {
            ShowCannotOpen(m_text, error.number);
            m_text.resize(level.textEnd);
            continue;
        }
        child.directory = std::make_shared<const DirectoryHandle>(std::move(*opened));
        child.textEnd = m_text.size();
        m_levels.push_back(std::move(child));
        m_open.push_back(m_levels.size() - 1);
        Release(m_levels.size() - 1);
        Enter(m_levels.back());
    }
    m_levels.clear();
    m_open.clear();
    m_text.clear();
    return entered;
}

bool DirectoryWalk::Enter(Level& level) {
    const std::string_view pattern = PatternOf(level);
    ProcessDirectoryFiles(level.directory, m_text, pattern);
    if (Stopped()) return true;
    std::optional<std::vector<FindRecord>> entries = FindSubdirectories(*level.directory, pattern);
    if (!entries) {
        ShowCannotOpen(m_text, errno);
        return false;
    }
    if (entries->empty()) return false;
    level.subdirectories = std::move(*entries);
    return true;
}

void DirectoryWalk::Release(std::size_t depth) {
    if (depth < 2 * kLevelsPerBand) return;
    // Every level within two bands of the newest stays open; above that, one level in 2, then 1
    // in 4, 8 ... as the bands double in length, kLevelsPerBand open levels a band: about 90
    // descriptors 10,000 levels down, 150 a million down. The start directory is never
    // released. A level kept at one depth is kept at every shallower one, so descending only
    // releases; climbing back, a released level is opened again from the nearest open one above
    // it, never more than a band's spacing away (about two openings a level over a whole climb).
    const auto keep = [depth](std::size_t level) {
        if (level == 0) return true;
        const std::size_t spacing =
            std::bit_floor(std::max<std::size_t>(1, (depth - level) / kLevelsPerBand));
        return level % spacing == 0;
    };
    std::erase_if(m_open, [&](std::size_t index) {
        if (keep(index)) return false;
        Level& level = m_levels[index];
        level.identity = level.directory->Identity();
        level.directory.reset();
        return true;
    });
}

bool DirectoryWalk::Reopen() {
    const std::size_t newest = m_levels.size() - 1;
    if (m_levels[newest].directory != nullptr) return true;
    // Every level between the nearest open one and the newest was released: each is opened
    // again relative to its parent, as the walk first opened it.
    for (std::size_t depth = m_open.back() + 1; depth <= newest; ++depth) {
        const Level& parent = m_levels[depth - 1];
        Level& level = m_levels[depth];
        const std::string name = m_text.substr(parent.textEnd, level.textEnd - parent.textEnd - 1);
        OpenError error;
        std::optional<DirectoryHandle> again = OpenSubdirectory(*parent.directory, name, &error);
        const bool same = again && level.identity && again->Identity() == level.identity;
        if (!same) {
            const std::string text = m_text.substr(0, level.textEnd);
            m_levels.resize(depth);
            m_text.resize(m_levels.back().textEnd);
            if (again) {
                ShowCannotOpen(text, std::string_view(kDirectoryChangedReason));
            } else {
                ShowCannotOpen(text, error.number);
            }
            return false;
        }
        level.directory = std::make_shared<const DirectoryHandle>(std::move(*again));
        m_open.push_back(depth);
        Release(depth);
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
                                          std::string_view pattern) {
    const std::optional<std::vector<FindRecord>> entries = FindEntries(*directory, pattern);
    if (!entries) {
        ShowCannotOpen(directoryText, errno);
        return;
    }
    // The text is copied for the engine only for a directory with files to report.
    std::shared_ptr<const std::string> text;
    for (const FindRecord& entry : *entries) {
        if ((entry.attrib & kAttribDirectory) != 0) continue;
        if ((entry.attrib & kAttribDanglingLink) != 0) {
            // Said after every result before it, as the files around it are; a link named
            // exactly is explained as the input that gave no file instead.
            if (m_unreadableReport != nullptr && HasWildcard(pattern) && m_engine.Drain()) {
                m_unreadableReport->OnDanglingLink(directoryText + entry.name);
            }
            continue;
        }
        if (text == nullptr) text = std::make_shared<const std::string>(directoryText);
        FileTask task;
        task.directory = directory;
        task.directoryText = text;
        task.name = entry.name;
        if (!m_engine.Submit(std::move(task))) return;
    }
}

}  // namespace quillmark
