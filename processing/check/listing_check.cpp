// listing_check.cpp - the check run: each entry of a listing opened, measured and checksummed as
// a run would, its outcome printed in listing order, and unlisted files found on request.
#include "processing/check/listing_check.h"

#include <fcntl.h>
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
        task.source = NameSource::Given;
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
        pending.path = RebasePath(entry.path, m_options.rebase);
        if (entry.kind == ListingKind::Sfv &&
            (pending.path.empty() || pending.path.front() != '/')) {
            pending.path.insert(0, m_listingDirectory);
        }
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
        if (!m_env.outcomes.Write(FormatOutcomeLine(path, outcome))) {
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
        : m_fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ListingFile(const ListingFile&) = delete;
    ListingFile& operator=(const ListingFile&) = delete;
    ~ListingFile() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int Descriptor() const { return m_fd; }

private:
    int m_fd;
};

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

std::string FormatOutcomeLine(std::string_view path, CheckOutcome outcome) {
    std::string line;
    if (NeedsListingEscape(path)) {
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
    std::string text = "checked " + std::to_string(counts.Entries()) + " entries";
    const std::pair<std::uint64_t, const char*> parts[] = {
        {counts.ok, "OK"},
        {counts.failed, "FAILED"},
        {counts.missing, "MISSING"},
        {counts.unreadable, "UNREADABLE"},
        {counts.notRecorded, "NOT RECORDED"},
        {counts.added, "NEW"},
        {counts.malformed, "malformed lines"},
    };
    const char* separator = ": ";
    for (const auto& [count, label] : parts) {
        if (count == 0) continue;
        text += separator;
        text += std::to_string(count);
        text += ' ';
        text += label;
        separator = ", ";
    }
    return text;
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
    while (!reader.Stopped()) {
        const ssize_t got = ::read(file.Descriptor(), buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) continue;
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
    if (reader.EntryCount() == 0) return {ListingStatus::Empty, 0};
    return {ListingStatus::Checked, 0};
}

}  // namespace quillmark
