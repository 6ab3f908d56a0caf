// listing_check.cpp - the check run: each entry of a listing opened, measured and checksummed as
// a run would, its outcome printed in listing order, and unlisted files found on request.
#include "processing/check/listing_check.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/case_insensitive_path.h"
#include "platform/directory_handle.h"
#include "processing/check/listing_names.h"
#include "processing/check/listing_reader.h"
#include "processing/check/new_files.h"
#include "processing/engine/file_engine.h"
#include "processing/name_escaping.h"
#include "processing/progress_meter.h"

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
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

bool HasCapital(std::string_view path) {
    return std::any_of(path.begin(), path.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

std::string DirectoryPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

// Turns recorded paths into the engine's tasks: a name inside an open directory. Paths are
// resolved relative to the directory the check started in, never by changing the working
// directory, and the directory of the last file stays open (listings name the files of one
// directory together).
class TaskMaker {
public:
    TaskMaker() : m_start(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    TaskMaker(const TaskMaker&) = delete;
    TaskMaker& operator=(const TaskMaker&) = delete;
    ~TaskMaker() {
        if (m_start >= 0) ::close(m_start);
    }

    // The directory relative paths start from.
    int Start() const { return m_start >= 0 ? m_start : AT_FDCWD; }

    FileTask For(const std::string& path) {
        FileTask task;
        const std::size_t slash = path.rfind('/');
        const std::string directory =
            slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        task.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        if (task.name.empty()) {
            task.openError = EISDIR;
            return task;
        }
        if (!m_directory || directory != *m_directoryText) {
            m_directory.reset();
            OpenError error;
            std::optional<DirectoryHandle> opened =
                OpenDirectoryPath(directory.empty() ? "." : directory, &error, Start());
            if (!opened) {
                task.openError = error.number;
                return task;
            }
            m_directory = std::make_shared<const DirectoryHandle>(std::move(*opened));
            m_directoryText = std::make_shared<const std::string>(directory);
        }
        task.directory = m_directory;
        task.directoryText = m_directoryText;
        return task;
    }

private:
    int m_start;
    std::shared_ptr<const DirectoryHandle> m_directory;
    std::shared_ptr<const std::string> m_directoryText;
};

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

// The entries are fed to the engine as they are read and their outcomes printed as the engine
// hands them back, in listing order; what an outcome needs of its entry waits in a queue meanwhile.
class EntryChecker : public ListingVisitor {
public:
    EntryChecker(const std::string& listing, FileIdentity listingIdentity,
                 const CheckOptions& options, CheckEnvironment& env, CheckCounts& counts)
        : m_listing(listing),
          m_listingDirectory(DirectoryPart(listing)),
          m_options(options),
          m_env(env),
          m_counts(counts),
          m_meter(env.progress),
          m_engine(
              options.readMode, ParallelChoice{options.jobs}, m_meter,
              [this](const FileTask&, const FileOutcome& outcome) { return Deliver(outcome); }) {
        if (options.reportNew) {
            std::vector<FileIdentity> excluded{listingIdentity};
            if (const std::optional<FileIdentity> output = IdentityOf(options.ownOutputFile)) {
                excluded.push_back(*output);
            }
            m_newFiles.emplace(m_tasks.Start(), std::move(excluded));
        }
    }

    bool OnEntry(const ListingEntry& entry) override {
        Pending pending;
        pending.path =
            PathToCheck(RebasePath(entry.path, m_options.rebase),
                        entry.kind == ListingKind::Sfv ? m_listingDirectory : std::string_view(),
                        m_tasks.Start());
        pending.recorded = entry.recorded;
        pending.crc = entry.crc;
        // A lowercased listing names files whose real names may have capitals.
        pending.caseFolded = entry.kind == ListingKind::Quillmark && !HasCapital(pending.path);
        pending.size = entry.hasSize ? std::optional<std::uint64_t>(entry.size) : std::nullopt;
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

    // Every entry's outcome, once the listing has been read.
    void Finish() { m_engine.Drain(); }

    // The unlisted regular files of each directory that holds a listed one, in path order.
    void ReportNewFiles() {
        const bool whole = m_newFiles->Report(
            [&](const std::string& path) { return Report(path, CheckOutcome::New); },
            [&] { return m_meter.Poll(); });
        if (!whole && !m_meter.Cancelled() && !m_writeFailed) {
            m_env.reporter.OnNotice(
                "the search for new files stopped: the paths checked could not be read back");
        }
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
        bool caseFolded = false;
        std::uint64_t malformedLine = 0;  // not an entry: the number of the line that is not one
    };

    FileTask TaskFor(const Pending& pending) {
        FileTask task = m_tasks.For(pending.path);
        task.requiredSize = pending.size;
        return task;
    }

    bool Deliver(FileOutcome outcome) {
        Pending pending = std::move(m_pending.front());
        m_pending.pop_front();
        if (pending.malformedLine != 0) {
            ++m_counts.malformed;
            m_env.reporter.OnMalformedLine(m_listing, pending.malformedLine);
            return true;
        }
        if (!pending.recorded) return Report(pending.path, CheckOutcome::NotRecorded);
        if (!outcome.opened && IsMissing(outcome.result.error) && pending.caseFolded) {
            std::string resolved;
            switch (MatchPathIgnoringCase(pending.path, resolved, m_tasks.Start())) {
                case CaseMatch::Found:
                    pending.path = std::move(resolved);
                    outcome = m_engine.ReadNow(TaskFor(pending));
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
        if (checked == CheckOutcome::Missing && m_options.ignoreMissing) return true;
        return Report(pending.path, checked);
    }

    CheckOutcome OutcomeOf(const Pending& pending, const FileOutcome& outcome) {
        if (!outcome.opened) {
            return IsMissing(outcome.result.error) ? CheckOutcome::Missing
                                                   : CheckOutcome::Unreadable;
        }
        if (m_newFiles) m_newFiles->Listed(pending.path);
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
    std::optional<NewFileFinder> m_newFiles;  // only when unlisted files are asked for
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

std::string RebasePath(std::string_view recorded,
                       const std::vector<std::pair<std::string, std::string>>& rebase) {
    for (const auto& [from, to] : rebase) {
        std::string_view prefix = from;
        while (prefix.size() > 1 && prefix.back() == '/') prefix.remove_suffix(1);
        if (prefix.empty() || recorded.substr(0, prefix.size()) != prefix) continue;
        const std::string_view rest = recorded.substr(prefix.size());
        if (!rest.empty() && rest.front() != '/' && prefix != "/") continue;
        std::string path = to;
        if (!path.empty() && path.back() == '/' && !rest.empty() && rest.front() == '/') {
            path.pop_back();
        } else if (prefix == "/" && !path.empty() && path.back() != '/') {
            path += '/';
        }
        path += rest;
        return path;
    }
    return std::string(recorded);
}

std::string FormatOutcomeLine(std::string_view path, CheckOutcome outcome, bool forDisplay) {
    std::string line;
    if (forDisplay && NeedsDisplayEscape(path)) {
        line = '\\';
        line += EscapeNameForDisplay(path);
    } else if (NeedsListingEscape(path)) {
        line = '\\';
        line += EscapeListingPath(path);
    } else {
        line.assign(path);
    }
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

ListingCheck CheckListing(const std::string& listing, const CheckOptions& options,
                          CheckEnvironment& env, CheckCounts& counts) {
    ListingFile file(listing);
    struct stat info {};
    if (file.Descriptor() < 0 || ::fstat(file.Descriptor(), &info) != 0) {
        return {ListingStatus::Unreadable, errno};
    }
    if (S_ISDIR(info.st_mode)) return {ListingStatus::Unreadable, EISDIR};
    const FileIdentity identity{static_cast<std::uint64_t>(info.st_dev),
                                static_cast<std::uint64_t>(info.st_ino)};

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
