// listing_check.cpp - the check run: each entry of a listing opened, measured and checksummed as
// a run would, its outcome printed in listing order, and unlisted files found on request.
#include "processing/check/listing_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

#include "checksum/crc_table.h"
#include "platform/case_insensitive_path.h"
#include "platform/directory_handle.h"
#include "processing/check/listing_reader.h"
#include "processing/check/new_files.h"
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

// A listed file, opened inside its directory (the path is resolved once, however long it is).
struct FoundFile {
    std::string name;
    std::optional<RegularFile> file;
    int error = 0;  // 0 when found and opened as a regular file
};

// The one place a check hands a file to the checksum engine: the opened file, whose size the
// engine takes from the file itself, as a run does.
CrcResult ChecksumListedFile(const CrcTable& table, FoundFile& found, ReadMode mode,
                             ReadProgress& progress) {
    return table.ComputeFileCrc(*found.file, mode, &progress);
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

// Opens recorded paths relative to the directory the check started in and keeps the directory of
// the last file open (listings name the files of one directory together); each file is opened
// inside it by descriptor, never by changing the working directory.
class FileOpener {
public:
    FileOpener() : m_start(::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
    FileOpener(const FileOpener&) = delete;
    FileOpener& operator=(const FileOpener&) = delete;
    ~FileOpener() {
        if (m_start >= 0) ::close(m_start);
    }

    // The directory relative paths start from.
    int Start() const { return m_start >= 0 ? m_start : AT_FDCWD; }

    FoundFile Find(const std::string& path) {
        FoundFile found;
        const std::size_t slash = path.rfind('/');
        const std::string directory =
            slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        found.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
        if (found.name.empty()) {
            found.error = EISDIR;
            return found;
        }
        if (!m_directory || directory != m_directoryPath) {
            m_directory.reset();
            OpenError error;
            m_directory = OpenDirectoryPath(directory.empty() ? "." : directory, &error, Start());
            if (!m_directory) {
                found.error = error.number;
                return found;
            }
            m_directoryPath = directory;
        }
        found.file = RegularFile::OpenAt(m_directory->Descriptor(), found.name, &found.error);
        return found;
    }

private:
    int m_start;
    std::optional<DirectoryHandle> m_directory;
    std::string m_directoryPath;
};

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

class EntryChecker : public ListingVisitor {
public:
    EntryChecker(const std::string& listing, FileIdentity listingIdentity,
                 const CheckOptions& options, CheckEnvironment& env, CheckCounts& counts)
        : m_listing(listing),
          m_listingDirectory(DirectoryPart(listing)),
          m_options(options),
          m_env(env),
          m_counts(counts),
          m_meter(env.progress) {
        if (options.reportNew) {
            std::vector<FileIdentity> excluded{listingIdentity};
            if (const std::optional<FileIdentity> output = IdentityOf(options.ownOutputFile)) {
                excluded.push_back(*output);
            }
            m_newFiles.emplace(m_opener.Start(), std::move(excluded));
        }
    }

    bool OnEntry(const ListingEntry& entry) override {
        std::string path = RebasePath(entry.path, m_options.rebase);
        if (entry.kind == ListingKind::Sfv && (path.empty() || path.front() != '/')) {
            path.insert(0, m_listingDirectory);
        }
        if (!entry.recorded) return Report(path, CheckOutcome::NotRecorded);

        if (!m_meter.BeginFile({}, path)) return false;
        const std::optional<CheckOutcome> outcome = CheckFile(entry, path);
        m_meter.EndDirectory();
        if (!outcome) return false;
        m_meter.EndFile();
        if (*outcome == CheckOutcome::Missing && m_options.ignoreMissing) return true;
        return Report(path, *outcome);
    }

    bool OnMalformedLine(std::uint64_t line) override {
        ++m_counts.malformed;
        m_env.reporter.OnMalformedLine(m_listing, line);
        return true;
    }

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
    // nullopt when the read was cancelled part-way.
    std::optional<CheckOutcome> CheckFile(const ListingEntry& entry, std::string& path) {
        FoundFile found = m_opener.Find(path);
        if (found.error != 0 && IsMissing(found.error) && entry.kind == ListingKind::Quillmark &&
            !HasCapital(path)) {
            // A lowercased listing names files whose real names may have capitals.
            std::string resolved;
            switch (MatchPathIgnoringCase(path, resolved, m_opener.Start())) {
                case CaseMatch::Found:
                    // The meter holds a view of the path about to be replaced.
                    m_meter.EndDirectory();
                    path = std::move(resolved);
                    found = m_opener.Find(path);
                    break;
                case CaseMatch::Several:
                    m_env.reporter.OnNotice(EscapeForDisplay(path) +
                                            ": several files match this name in letter case");
                    return CheckOutcome::Failed;
                case CaseMatch::None:
                    break;
            }
        }
        if (found.error != 0) {
            return IsMissing(found.error) ? CheckOutcome::Missing : CheckOutcome::Unreadable;
        }
        if (m_newFiles) m_newFiles->Listed(path);
        if (entry.hasSize && entry.size != found.file->Size()) return CheckOutcome::Failed;
        const CrcResult result = ChecksumListedFile(m_table, found, m_options.readMode, m_meter);
        switch (result.status) {
            case CrcStatus::Cancelled:
                return std::nullopt;
            case CrcStatus::Unreadable:
            case CrcStatus::Changed:
                return CheckOutcome::Unreadable;
            case CrcStatus::Ok:
                break;
        }
        return result.crc == entry.crc ? CheckOutcome::Ok : CheckOutcome::Failed;
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
    FileOpener m_opener;
    const CrcTable m_table;
    bool m_writeFailed = false;
    std::optional<NewFileFinder> m_newFiles;  // only when unlisted files are asked for
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
