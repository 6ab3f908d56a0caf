// listing_check.cpp - the check run: each entry of a listing opened, measured and checksummed as
// a run would, its outcome printed in listing order, and unlisted files found on request.
#include "processing/check/listing_check.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include "platform/ascii_case.h"
#include "platform/case_insensitive_path.h"
#include "platform/directory_handle.h"
#include "platform/directory_search.h"
#include "platform/file_descriptor.h"
#include "platform/path_split.h"
#include "platform/posix_io.h"
#include "processing/check/listing_names.h"
#include "processing/check/listing_reader.h"
#include "processing/check/new_files.h"
#include "processing/engine/file_engine.h"
#include "processing/name_escaping.h"
#include "processing/progress_meter.h"
#include "processing/result_line_append.h"

namespace quillmark {

namespace {

constexpr std::size_t kListingBuffer = 64 * 1024;

const char* OutcomeText(CheckOutcome outcome) {
    switch (outcome) {
        case CheckOutcome::Ok:
            return "OK";
        case CheckOutcome::Failed:
            return "FAILED";
        case CheckOutcome::Missing:
            return "MISSING";
        case CheckOutcome::Unreadable:
            return "UNREADABLE";
        case CheckOutcome::NotRecorded:
            return "NOT RECORDED";
        case CheckOutcome::New:
            return "NEW";
    }
    return "";
}

// A file's device and inode, when it can be looked up: the command's own output file is never
// reported as new.
std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0) return std::nullopt;
    return IdentityFromStat(info);
}

// Turns recorded paths into the engine's tasks: a name inside an open directory. Paths are
// resolved relative to the directory the check started in, never by changing the working
// directory, and the directory of the last file stays open (listings name the files of one
// directory together).
class TaskMaker {
public:
    TaskMaker() : m_start(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

    // The directory relative paths start from.
    int Start() const { return m_start.IsOpen() ? m_start.Get() : AT_FDCWD; }

    FileTask For(const std::string& path) {
        FileTask task;
        const SplitPath parts = SplitAtLastSlash(path);
        const std::string directory(parts.directory);
        task.name = parts.name;
        if (task.name.empty()) {
            task.openError = EISDIR;
            return task;
        }
        if (!m_directory || directory != *m_directoryText) {
            m_directory.reset();
            OpenError error;
            // Opened for searching only: a file is read wherever cat could read it, also in a
            // directory the user may not list.
            std::optional<DirectoryHandle> opened =
                OpenSearchableDirectoryPath(directory.empty() ? "." : directory, &error, Start());
            if (!opened) {
                task.openError = error.number;
                return task;
            }
            m_directory = std::make_shared<const DirectoryHandle>(std::move(*opened));
            m_directoryText = std::make_shared<const std::string>(directory);
            m_regularFiles.clear();
            m_namesAsked = 0;
        }
        task.directory = m_directory;
        task.directoryText = m_directoryText;
        // A listing names the files of a directory together: from its second name on, the
        // directory's own listing says which names are regular files, and those are opened as a
        // walk opens the files it lists. Any other name has its type looked at before the open.
        if (++m_namesAsked == 2) m_regularFiles = RegularFileNames(*m_directory);
        task.source = m_regularFiles.contains(task.name) ? NameSource::Listed : NameSource::Given;
        return task;
    }

private:
    FileDescriptor m_start;
    std::shared_ptr<const DirectoryHandle> m_directory;
    std::shared_ptr<const std::string> m_directoryText;
    std::unordered_set<std::string> m_regularFiles;
    unsigned m_namesAsked = 0;
};

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

// Why a file could not be read, as the outcome's note says it.
std::string UnreadableReason(int error) {
    if (error == 0) return "the file could not be read";
    // The one error of the open that is not the system's: the path names no regular file.
    if (error == EINVAL) return "not a regular file";
    return std::strerror(error);
}

std::string WorkingDirectoryText() {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
        if (errno != ERANGE) return std::string();
        buffer.resize(buffer.size() * 2);
    }
}

// The text of the NEW part of a rebased path, and the rest as a path below it.
std::pair<std::string, std::string> SplitRebased(const Rebased& rebased) {
    std::string rest = rebased.path.substr(rebased.below);
    std::string top = rebased.path.substr(0, rebased.below);
    while (!rest.empty() && rest.front() == '/') {
        top += '/';
        rest.erase(0, 1);
    }
    return {top, rest};
}

// Reports each new file, notes each directory that cannot be listed, and says when the search
// could not be finished.
void TellNewFiles(NewFileFinder& finder, ProgressMeter& meter, CheckEnvironment& env,
                  const std::function<bool(const std::string&)>& report) {
    bool writeFailed = false;
    const bool whole = finder.Report(
        [&](const std::string& path) {
            writeFailed = !report(path);
            return !writeFailed;
        },
        [&] { return meter.Poll(); },
        [&](const std::string& directory, int error) {
            env.reporter.OnNotice(
                EscapeForDisplay(directory.empty() ? std::string(".") : directory) +
                ": cannot be listed to look for new files: " + std::strerror(error));
        });
    if (!whole && !meter.Cancelled() && !writeFailed) {
        env.reporter.OnNotice(
            "the search for new files stopped: the paths checked could not be read back");
    }
}

// The entries are fed to the engine as they are read and their outcomes printed as the engine
// hands them back, in listing order; what an outcome needs of its entry waits in a queue meanwhile.
class EntryChecker : public ListingVisitor {
public:
    EntryChecker(const std::string& listing, FileIdentity listingIdentity,
                 const CheckOptions& options, CheckEnvironment& env, CheckCounts& counts)
        : m_listing(listing),
          m_listingDirectory(SplitAtLastSlash(listing).directory),
          m_options(options),
          m_env(env),
          m_counts(counts),
          m_meter(env.progress),
          m_engine(options.readMode, ParallelChoice{options.jobs}, m_meter,
                   [this](const FileTask& task, const FileOutcome& outcome) {
                       return Deliver(task, outcome);
                   }) {
        if (m_counts.rebaseMatched.size() < options.rebase.size()) {
            m_counts.rebaseMatched.resize(options.rebase.size(), false);
        }
        if (options.reportNew && env.newFiles != nullptr) {
            m_newFiles = env.newFiles;
        } else if (options.reportNew) {
            std::vector<FileIdentity> excluded = options.neverNew;
            excluded.push_back(listingIdentity);
            if (const std::optional<FileIdentity> output = IdentityOf(options.ownOutputFile)) {
                excluded.push_back(*output);
            }
            m_ownNewFiles.emplace(m_tasks.Start(), std::move(excluded));
            m_newFiles = &*m_ownNewFiles;
        }
    }

    bool OnEntry(const ListingEntry& entry) override {
        Pending pending;
        // A name in an SFV file is relative to the listing's directory, and one holding a
        // backslash that is no file as written has Windows separators; a Windows path (a drive
        // letter, or two backslashes) is relative to nothing here.
        std::string resolved = entry.path;
        const bool windows = IsWindowsPath(resolved);
        if (!windows) {
            const bool sfvRelative =
                entry.kind == ListingKind::Sfv && (resolved.empty() || resolved.front() != '/');
            resolved = PathToCheck(resolved, sfvRelative ? m_listingDirectory : std::string(),
                                   m_tasks.Start());
        }
        if (!m_options.rebase.empty()) {
            std::string absolute;
            if (!windows && !resolved.empty() && resolved.front() != '/') {
                if (m_workingDirectory.empty()) m_workingDirectory = WorkingDirectoryText();
                if (!m_workingDirectory.empty()) absolute = m_workingDirectory + "/" + resolved;
            }
            Rebased rebased = RebaseEntryPath(resolved, m_options.rebase, absolute);
            if (rebased.rule >= 0) {
                m_counts.rebaseMatched[static_cast<std::size_t>(rebased.rule)] = true;
                pending.below = rebased.below;
                pending.rebased = true;
                resolved = std::move(rebased.path);
            }
        }
        pending.path = std::move(resolved);
        pending.recorded = entry.recorded;
        pending.crc = entry.crc;
        // A lowercased listing names files whose real names may have capitals: told by the path
        // as recorded, whatever a rebase put in front of it.
        pending.caseFolded = entry.kind == ListingKind::Quillmark && !HasAsciiCapital(entry.path);
        pending.size = entry.hasSize ? std::optional<std::uint64_t>(entry.size) : std::nullopt;
        pending.mode =
            m_options.modeGiven ? m_options.readMode : m_headerMode.value_or(m_options.readMode);
        // An entry with no checksum is not read, but its line keeps its place.
        FileTask task = pending.recorded ? TaskFor(pending) : FileTask{};
        m_pending.push_back(std::move(pending));
        return m_engine.Submit(std::move(task));
    }

    bool OnMalformedLine(std::uint64_t line) override {
        // Told in its place among the outcomes, which the engine may still be working on.
        Pending pending;
        pending.malformedLine = line;
        m_pending.push_back(std::move(pending));
        return m_engine.Submit(FileTask{});
    }

    bool OnComment(std::string_view line, std::uint64_t number) override {
        const std::optional<ReadMode> mode = QuillmarkHeaderMode(line);
        if (!mode) return true;
        m_headerMode = *mode;
        if (!m_options.modeGiven || *mode == m_options.readMode) return true;
        // The entries are streamed as they come: the mode given stays, and the header is named.
        ++m_counts.contradictedHeaders;
        Pending pending;
        pending.notice = EscapeForDisplay(m_listing) + ":" + std::to_string(number) +
                         ": listed in " + ReadModeName(*mode) + ", checked in " +
                         ReadModeName(m_options.readMode);
        m_pending.push_back(std::move(pending));
        return m_engine.Submit(FileTask{});
    }

    // Every entry's outcome, once the listing has been read.
    void Finish() { m_engine.Drain(); }

    // The unlisted regular files of each directory that holds a listed one, in path order, when
    // this listing's own are asked for.
    void ReportNewFiles() {
        if (!m_ownNewFiles) return;
        TellNewFiles(*m_ownNewFiles, m_meter, m_env,
                     [&](const std::string& path) { return Report(path, CheckOutcome::New); });
    }

    void FinishProgress() { m_meter.Finish(); }
    // Between reads of the listing: false once a cancel has been requested.
    bool Poll() { return m_meter.Poll(); }
    bool Cancelled() const { return m_meter.Cancelled(); }
    bool WriteFailed() const { return m_writeFailed; }

private:
    struct Pending {
        std::string path;
        bool recorded = false;
        std::uint32_t crc = 0;
        std::optional<std::uint64_t> size;
        ReadMode mode = ReadMode::Binary;
        bool caseFolded = false;
        bool rebased = false;
        std::size_t below = 0;            // with rebased: where the part below NEW starts
        std::uint64_t malformedLine = 0;  // not an entry: the number of the line that is not one
        std::string notice;               // not an entry: a remark told in its place
    };

    FileTask TaskFor(const Pending& pending) {
        FileTask task = m_tasks.For(pending.path);
        task.mode = pending.mode;
        // Line ends converted between text conventions change a text's size but not its text
        // checksum: only a binary check compares sizes.
        if (pending.mode == ReadMode::Binary) task.requiredSize = pending.size;
        return task;
    }

    // The one file that matches the entry's path ignoring case, below NEW when it was rebased.
    CaseMatch MatchIgnoringCase(const Pending& pending, std::string& resolved) {
        if (!pending.rebased) return MatchPathIgnoringCase(pending.path, resolved, m_tasks.Start());
        const auto [top, rest] = SplitRebased({pending.path, pending.below, 0});
        if (rest.empty()) return CaseMatch::None;
        const std::optional<DirectoryHandle> base =
            OpenSearchableDirectoryPath(top.empty() ? "." : top, nullptr, m_tasks.Start());
        if (!base) return CaseMatch::None;
        std::string below;
        const CaseMatch match = MatchPathIgnoringCase(rest, below, base->Descriptor());
        if (match == CaseMatch::Found) resolved = top + below;
        return match;
    }

    bool Deliver(const FileTask& task, FileOutcome outcome) {
        Pending pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (pending.malformedLine != 0) {
            ++m_counts.malformed;
            m_env.reporter.OnMalformedLine(m_listing, pending.malformedLine);
            return true;
        }
        if (!pending.notice.empty()) {
            m_env.reporter.OnNotice(pending.notice);
            return true;
        }
        if (!pending.recorded) return Report(pending.path, CheckOutcome::NotRecorded);
        m_counts.modesUsed |= 1u << static_cast<unsigned>(pending.mode);
        FileTask again;
        const FileTask* used = &task;
        if (!outcome.opened && IsMissing(outcome.result.error) && pending.caseFolded) {
            std::string resolved;
            switch (MatchIgnoringCase(pending, resolved)) {
                case CaseMatch::Found:
                    pending.path = std::move(resolved);
                    again = TaskFor(pending);
                    used = &again;
                    outcome = m_engine.ReadNow(again);
                    if (outcome.result.status == CrcStatus::Cancelled) return false;
                    break;
                case CaseMatch::Several:
                    m_env.reporter.OnNotice(EscapeForDisplay(pending.path) +
                                            ": several files match this name in letter case");
                    return Report(pending.path, CheckOutcome::Failed);
                case CaseMatch::None:
                    break;
            }
        }
        const CheckOutcome checked = OutcomeOf(pending, outcome);
        // A file that exists is listed, whether or not it could be read.
        if (m_newFiles && checked != CheckOutcome::Missing && used->directory != nullptr) {
            NoteListed(*used);
        }
        if (checked == CheckOutcome::Missing && m_options.ignoreMissing) return true;
        if (!Report(pending.path, checked)) return false;
        if (checked == CheckOutcome::Unreadable) {
            m_env.reporter.OnNotice(EscapeForDisplay(pending.path) + ": " +
                                    UnreadableReason(outcome.result.error));
        }
        return true;
    }

    // The directory is known by its device and inode, so one directory spelled two ways (through
    // "./" or a link) holds one set of listed names.
    void NoteListed(const FileTask& task) {
        if (task.directory != m_identityOf) {
            struct stat info {};
            if (::fstat(task.directory->Descriptor(), &info) != 0) {
                m_newFiles->Listed(*task.directoryText + task.name);
                return;
            }
            m_identityOf = task.directory;
            m_directoryIdentity = IdentityFromStat(info);
        }
        m_newFiles->Listed(m_directoryIdentity, *task.directoryText, task.name);
    }

    CheckOutcome OutcomeOf(const Pending& pending, const FileOutcome& outcome) {
        if (!outcome.opened) {
            return IsMissing(outcome.result.error) ? CheckOutcome::Missing
                                                   : CheckOutcome::Unreadable;
        }
        if (outcome.sizeDiffers) return CheckOutcome::Failed;
        if (!outcome.result.Readable()) return CheckOutcome::Unreadable;
        return outcome.result.crc == pending.crc ? CheckOutcome::Ok : CheckOutcome::Failed;
    }

    bool Report(const std::string& path, CheckOutcome outcome) {
        ++m_counts.Of(outcome);
        if (outcome == CheckOutcome::Ok && m_options.quiet) return true;
        if (!m_env.outcomes.Write(FormatOutcomeLine(path, outcome, m_options.forDisplay))) {
            m_writeFailed = true;
            return false;
        }
        return true;
    }

    const std::string& m_listing;
    const std::string m_listingDirectory;
    const CheckOptions& m_options;
    CheckEnvironment& m_env;
    CheckCounts& m_counts;
    ProgressMeter m_meter;
    TaskMaker m_tasks;
    std::deque<Pending> m_pending;
    bool m_writeFailed = false;
    std::optional<ReadMode> m_headerMode;  // from the last Quillmark header read
    std::string m_workingDirectory;        // looked up once, when a rebase needs it
    std::shared_ptr<const DirectoryHandle> m_identityOf;
    FileIdentity m_directoryIdentity;
    std::optional<NewFileFinder> m_ownNewFiles;  // when this listing's own are asked for
    NewFileFinder* m_newFiles = nullptr;         // where listed files are told, if anywhere
    FileEngine m_engine;  // last: its workers stop before anything they report to goes
};

class ListingFile {
public:
    explicit ListingFile(const std::string& path)
        : m_standardInput(path == kStandardInputListing),
          m_fd(m_standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ListingFile(const ListingFile&) = delete;
    ListingFile& operator=(const ListingFile&) = delete;
    ~ListingFile() {
        if (m_fd >= 0 && !m_standardInput) ::close(m_fd);
    }
    int Descriptor() const { return m_fd; }

private:
    bool m_standardInput;
    int m_fd;
};

// Waits for the listing's next bytes while watching for a cancel: a pipe may stay silent or never
// end, and what came before a pause is read at once. Returns what read returns, or 0 with
// cancelled set.
ssize_t ReadListing(int fd, bool waits, std::vector<char>& buffer, ListingReader& reader,
                    EntryChecker& checker, bool& cancelled) {
    while (true) {
        if (!checker.Poll()) {
            cancelled = true;
            return 0;
        }
        if (waits) {
            pollfd ready{fd, POLLIN, 0};
            const int polled = ::poll(&ready, 1, 100);
            if (polled == 0) reader.Settle(checker);
            if (polled == 0 || (polled < 0 && errno == EINTR)) continue;
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
        return got;
    }
}

}  // namespace

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// OLD as a Windows path against path: components separated by '/' or '\', repeated separators
// as one, ASCII letters in any case, other bytes as they are. Where the rest of path starts
// (just past the last matched component), or npos.
std::size_t MatchWindowsPrefix(std::string_view path, std::string_view old) {
    std::size_t i = 0;
    std::size_t j = 0;
    if (old.size() >= 2 && IsSeparator(old[0]) && IsSeparator(old[1])) {
        if (path.size() < 2 || !IsSeparator(path[0]) || !IsSeparator(path[1])) {
            return std::string_view::npos;
        }
    }
    for (;;) {
        while (i < old.size() && IsSeparator(old[i])) ++i;
        if (i == old.size()) return j;
        while (j < path.size() && IsSeparator(path[j])) ++j;
        std::size_t a = i;
        std::size_t b = j;
        while (a < old.size() && !IsSeparator(old[a])) ++a;
        while (b < path.size() && !IsSeparator(path[b])) ++b;
        if (a - i != b - j) return std::string_view::npos;
        for (std::size_t k = 0; k < a - i; ++k) {
            if (FoldAscii(old[i + k]) != FoldAscii(path[j + k])) return std::string_view::npos;
        }
        i = a;
        j = b;
    }
}

// OLD byte for byte as leading whole components of path: where the rest starts, or npos.
std::size_t MatchPrefix(std::string_view path, std::string_view old) {
    while (old.size() > 1 && old.back() == '/') old.remove_suffix(1);
    if (old.empty() || path.substr(0, old.size()) != old) return std::string_view::npos;
    if (old == "/") return 1;
    if (path.size() > old.size() && path[old.size()] != '/') return std::string_view::npos;
    return old.size();
}

Rebased Replace(std::string_view rest, const std::string& to, bool windows, int rule) {
    Rebased rebased;
    rebased.rule = rule;
    rebased.path = to;
    rebased.below = to.size();
    std::size_t start = 0;
    while (start < rest.size() && (rest[start] == '/' || (windows && rest[start] == '\\'))) {
        ++start;
    }
    std::string tail(rest.substr(start));
    if (windows) std::replace(tail.begin(), tail.end(), '\\', '/');
    if (tail.empty()) {
        // The entry names OLD itself.
        if (!windows && !rest.empty() && !to.empty() && to.back() != '/') rebased.path += '/';
        return rebased;
    }
    if (!to.empty() && to.back() != '/') rebased.path += '/';
    rebased.path += tail;
    return rebased;
}

}  // namespace

bool IsWindowsPath(std::string_view path) {
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        return true;
    }
    return path.size() >= 2 && path[0] == '\\' && path[1] == '\\';
}

Rebased RebaseEntryPath(std::string_view resolved, const RebaseRules& rebase,
                        std::string_view absolute) {
    for (std::size_t rule = 0; rule < rebase.size(); ++rule) {
        const auto& [from, to] = rebase[rule];
        if (from.empty()) continue;
        const bool windows = IsWindowsPath(from);
        const std::string_view forms[] = {resolved, from.front() == '/' ? absolute : ""};
        for (const std::string_view path : forms) {
            if (path.empty()) continue;
            const std::size_t rest =
                windows ? MatchWindowsPrefix(path, from) : MatchPrefix(path, from);
            if (rest == std::string_view::npos) continue;
            return Replace(path.substr(rest), to, windows, static_cast<int>(rule));
        }
    }
    return {std::string(resolved), 0, -1};
}

std::string RebasePath(std::string_view recorded, const RebaseRules& rebase) {
    return RebaseEntryPath(recorded, rebase).path;
}

const char* ReadModeName(ReadMode mode) {
    switch (mode) {
        case ReadMode::Binary:
            return "binary mode";
        case ReadMode::Ascii:
            return "ASCII mode";
        case ReadMode::UnixLf:
            return "Unix LF mode";
    }
    return "";
}

std::string FormatModesUsed(const CheckCounts& counts) {
    std::vector<const char*> names;
    for (const ReadMode mode : {ReadMode::Binary, ReadMode::Ascii, ReadMode::UnixLf}) {
        if (counts.modesUsed & (1u << static_cast<unsigned>(mode))) {
            names.push_back(ReadModeName(mode));
        }
    }
    if (names.empty()) return std::string();
    std::string text = "Checked in ";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) text += i + 1 == names.size() ? " and " : ", ";
        text += names[i];
    }
    return text + ".";
}

std::optional<ReadMode> QuillmarkHeaderMode(std::string_view line) {
    constexpr std::string_view kHeader = "; Quillmark ";
    if (line.substr(0, kHeader.size()) != kHeader) return std::nullopt;
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    std::string_view rest = line.substr(std::min(kHeader.size(), line.size()));
    const std::size_t comma = rest.find(", ");
    const std::string_view version = rest.substr(0, comma);
    if (version.empty() || version.find_first_of(" \t") != std::string_view::npos) {
        return std::nullopt;
    }
    if (comma == std::string_view::npos) return ReadMode::Binary;
    const std::string_view mode = rest.substr(comma + 2);
    if (mode == "ASCII mode") return ReadMode::Ascii;
    if (mode == "Unix LF mode") return ReadMode::UnixLf;
    return std::nullopt;
}

std::string FormatOutcomeLine(std::string_view path, CheckOutcome outcome, bool forDisplay) {
    std::string line;
    const bool escaped = AppendEscapeMarker(line, {}, path, forDisplay);
    AppendListingPath(line, escaped, {}, path, forDisplay);
    line += ": ";
    line += OutcomeText(outcome);
    line += '\n';
    return line;
}

std::string FormatCheckSummary(const CheckCounts& counts) {
    const std::uint64_t entries = counts.Entries();
    if (counts.AllOk() && entries == 1) return "The file is OK.";
    if (counts.AllOk() && entries > 1) return "All " + std::to_string(entries) + " files are OK.";
    if (counts.Entries() + counts.added + counts.malformed == 0) return "No file was checked.";
    // Each count that is not zero: what is wrong first, then the new files, the malformed lines
    // and the files that are OK.
    struct Part {
        std::uint64_t count;
        const char* noun;  // made plural with an "s"
        const char* one;
        const char* many;
    };
    const Part parts[] = {
        {counts.failed, "file", "FAILED", "FAILED"},
        {counts.missing, "file", "is MISSING", "are MISSING"},
        {counts.unreadable, "file", "is UNREADABLE", "are UNREADABLE"},
        {counts.notRecorded, "file", "is NOT RECORDED", "are NOT RECORDED"},
        {counts.added, "file", "is NEW", "are NEW"},
        {counts.malformed, "line", "is malformed", "are malformed"},
        {counts.ok, "file", "is OK", "are OK"},
    };
    std::string text;
    for (const Part& part : parts) {
        if (part.count == 0) continue;
        if (!text.empty()) text += ", ";
        text += std::to_string(part.count);
        text += ' ';
        text += part.noun;
        if (part.count != 1) text += 's';
        text += ' ';
        text += part.count == 1 ? part.one : part.many;
    }
    return text + ".";
}

ListingStatus ReportNewFiles(CheckEnvironment& env, CheckCounts& counts) {
    if (env.newFiles == nullptr) return ListingStatus::Checked;
    if (!env.progress.RunStarting(RunKind::Processing)) return ListingStatus::Cancelled;
    ProgressMeter meter(env.progress);
    bool writeFailed = false;
    TellNewFiles(*env.newFiles, meter, env, [&](const std::string& path) {
        ++counts.added;
        if (!env.outcomes.Write(FormatOutcomeLine(path, CheckOutcome::New, env.newForDisplay))) {
            writeFailed = true;
        }
        return !writeFailed;
    });
    meter.Finish();
    env.progress.RunEnded(RunKind::Processing);
    if (writeFailed) return ListingStatus::WriteFailed;
    if (meter.Cancelled()) return ListingStatus::Cancelled;
    return ListingStatus::Checked;
}

ListingCheck CheckListing(const std::string& listing, const CheckOptions& options,
                          CheckEnvironment& env, CheckCounts& counts) {
    const ListingFile file(listing);
    struct stat info {};
    if (file.Descriptor() < 0 || ::fstat(file.Descriptor(), &info) != 0) {
        return {ListingStatus::Unreadable, errno};
    }
    if (S_ISDIR(info.st_mode)) return {ListingStatus::Unreadable, EISDIR};
    const FileIdentity identity = IdentityFromStat(info);

    if (!env.progress.RunStarting(RunKind::Processing)) {
        return {ListingStatus::Cancelled, 0};
    }
    EntryChecker checker(listing, identity, options, env, counts);
    ListingReader reader;
    std::vector<char> buffer(kListingBuffer);
    int readError = 0;
    const bool waits = !S_ISREG(info.st_mode);
    bool cancelled = false;
    while (!reader.Stopped()) {
        const ssize_t got =
            ReadListing(file.Descriptor(), waits, buffer, reader, checker, cancelled);
        if (cancelled) break;
        if (got < 0) {
            readError = errno;
            break;
        }
        if (got == 0) {
            reader.Finish(checker);
            break;
        }
        reader.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(got)), checker);
    }
    checker.Finish();
    if (!checker.Cancelled() && !checker.WriteFailed() && readError == 0 && options.reportNew) {
        checker.ReportNewFiles();
    }
    checker.FinishProgress();
    env.progress.RunEnded(RunKind::Processing);

    if (checker.WriteFailed()) return {ListingStatus::WriteFailed, 0};
    if (checker.Cancelled()) return {ListingStatus::Cancelled, 0};
    if (readError != 0) return {ListingStatus::Unreadable, readError};
    if (!reader.NotTextReason().empty()) {
        return {ListingStatus::NotText, 0, reader.NotTextReason()};
    }
    if (reader.EntryCount() == 0) return {ListingStatus::Empty, 0};
    return {ListingStatus::Checked, 0};
}

}  // namespace quillmark
