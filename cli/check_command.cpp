// check_command.cpp - quillmark-cli --check: every listing checked, outcomes on standard output,
// one summary on standard error.
#include "cli/check_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/console_messages.h"
#include "cli/console_output.h"
#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"
#include "cli/interrupt_flag.h"
#include "platform/file_descriptor.h"
#include "platform/regular_file.h"
#include "processing/check/listing_check.h"
#include "processing/check/new_files.h"
#include "processing/file_sink.h"
#include "processing/name_escaping.h"
#include "settings/option_flags.h"

namespace quillmark {

namespace {

class ConsoleCheckReporter : public CheckReporter {
public:
    ConsoleCheckReporter(OutputSink& outcomes, ConsoleProgressView& progress)
        : m_outcomes(outcomes), m_progress(progress) {}

    // The first few malformed lines are named, so a listing that is not one does not bury the
    // outcomes; the rest are counted once the listing is done.
    static constexpr std::uint64_t kMalformedNamed = 10;

    void OnMalformedLine(std::string_view listing, std::uint64_t line) override {
        if (++m_malformed > kMalformedNamed) return;
        Say(EscapeForDisplay(listing) + ":" + std::to_string(line) + ": not a listing entry");
    }
    void OnNotice(std::string_view text) override { Say(std::string(text)); }

    void ListingDone(std::string_view listing) {
        if (m_malformed > kMalformedNamed) {
            Say(EscapeForDisplay(listing) + ": " + std::to_string(m_malformed - kMalformedNamed) +
                " more malformed lines");
        }
        m_malformed = 0;
    }

    // The outcomes printed so far go out first, so the remark stands after the line it explains.
    void Say(const std::string& text) {
        m_outcomes.Flush();
        m_progress.ClearLine();
        SayOnStandardError(text);
        m_progress.RestoreLine();
    }

private:
    OutputSink& m_outcomes;
    ConsoleProgressView& m_progress;
    std::uint64_t m_malformed = 0;
};

// Looked up without opening: opening a FIFO, even for a moment, would release its writer into a
// pipe with no reader.
std::optional<FileIdentity> IdentityOfPath(const std::string& path) {
    if (path == kStandardInputListing) return IdentityOfDescriptor(STDIN_FILENO);
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    return IdentityFromStat(info);
}

// The files a check writes or reads as listings are never among its new files.
std::vector<FileIdentity> NeverNew(const CliOptions& options) {
    std::vector<FileIdentity> identities;
    for (const std::string& listing : options.inputs) {
        if (const auto identity = IdentityOfPath(listing)) identities.push_back(*identity);
    }
    if (const auto identity = IdentityOfDescriptor(STDOUT_FILENO)) identities.push_back(*identity);
    return identities;
}

// A check never reads what it writes: outcomes appended to a listing would be read back as its
// malformed lines, and every later check of it would fail. The listing that is where the outcomes
// go, or nothing.
std::optional<std::string> ListingWrittenTo(const std::vector<std::string>& listings,
                                            const std::optional<std::string>& outputFile) {
    std::vector<FileIdentity> written;
    if (outputFile) {
        if (const auto identity = IdentityOfPath(*outputFile)) written.push_back(*identity);
    } else if (const auto identity = IdentityOfDescriptor(STDOUT_FILENO)) {
        written.push_back(*identity);
    }
    for (const std::string& listing : listings) {
        const std::optional<FileIdentity> identity = IdentityOfPath(listing);
        if (!identity) continue;
        for (const FileIdentity& output : written) {
            if (output == *identity) return listing;
        }
    }
    return std::nullopt;
}

// A listing's check, or the search for new files, that ended the command early.
void NoteStop(ListingStatus status, bool& cancelled, bool& writeFailed) {
    if (status == ListingStatus::Cancelled) cancelled = true;
    if (status == ListingStatus::WriteFailed) writeFailed = true;
}

}  // namespace

int RunCheckCommand(const CliOptions& options) {
    InstallInterruptHandler();
    ConsoleOutput output(options.progress);
    DescriptorSink& console = output.StandardOutput();
    ConsoleProgressView& progress = output.Progress();

    CheckOptions check;
    check.readMode = options.settings.ChecksumReadMode();
    check.quiet = options.check.quiet;
    check.ignoreMissing = options.check.ignoreMissing;
    check.reportNew = options.check.reportNew;
    check.rebase = options.check.rebase;
    check.modeGiven = options.check.modeGiven;
    if (check.reportNew) check.neverNew = NeverNew(options);
    check.jobs = options.jobs;

    FileSink file;
    const bool toFile = options.settings.OutputsToFile();
    // Outcome lines on a terminal are for a person's eyes: no name may garble them.
    check.forDisplay = ::isatty(STDOUT_FILENO) == 1 && !toFile;
    const std::optional<std::string> writtenListing = ListingWrittenTo(
        options.inputs, toFile ? std::optional(options.settings.m_strOutput) : std::nullopt);
    if (writtenListing) {
        const std::string shown = *writtenListing == kStandardInputListing
                                      ? "standard input"
                                      : EscapeForDisplay(*writtenListing);
        SayOnStandardError(shown +
                           " is where this check writes its outcomes; a check never reads what "
                           "it writes");
        return kExitUsage;
    }
    if (toFile) {
        check.ownOutputFile = options.settings.m_strOutput;
        if (!file.Open(check.ownOutputFile)) {
            SayOnStandardError("cannot open " + EscapeForDisplay(check.ownOutputFile) + ": " +
                               std::strerror(errno));
            return kExitUsage;
        }
    }
    OutputSink& outcomes = toFile ? static_cast<OutputSink&>(file) : console;
    ConsoleCheckReporter reporter(outcomes, progress);
    CheckEnvironment env{outcomes, reporter, progress};
    // One search for new files over every listing: a file any of them lists is not new.
    std::optional<NewFileFinder> newFiles;
    const FileDescriptor base(check.reportNew ? ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC) : -1);
    if (check.reportNew) {
        std::vector<FileIdentity> excluded = check.neverNew;
        if (toFile) {
            if (const auto identity = IdentityOfPath(check.ownOutputFile)) {
                excluded.push_back(*identity);
            }
        }
        newFiles.emplace(base.IsOpen() ? base.Get() : AT_FDCWD, std::move(excluded));
        env.newFiles = &*newFiles;
        env.newForDisplay = check.forDisplay;
    }

    CheckCounts counts;
    bool badListing = false;
    bool cancelled = false;
    bool writeFailed = false;
    for (const std::string& listing : options.inputs) {
        const ListingCheck result = CheckListing(listing, check, env, counts);
        outcomes.Flush();
        reporter.ListingDone(listing);
        switch (result.status) {
            case ListingStatus::Checked:
                break;
            case ListingStatus::Unreadable:
                badListing = true;
                reporter.Say("cannot read " + EscapeForDisplay(listing) + ": " +
                             std::strerror(result.errorNumber));
                break;
            case ListingStatus::NotText:
                badListing = true;
                reporter.Say(EscapeForDisplay(listing) +
                             ": not a listing: " + result.notTextReason);
                break;
            case ListingStatus::Empty:
                badListing = true;
                reporter.Say(EscapeForDisplay(listing) + ": no listing entry found");
                break;
            case ListingStatus::Cancelled:
            case ListingStatus::WriteFailed:
                NoteStop(result.status, cancelled, writeFailed);
                break;
        }
        if (cancelled || writeFailed) break;
    }
    if (newFiles && !cancelled && !writeFailed) {
        NoteStop(ReportNewFiles(env, counts), cancelled, writeFailed);
    }
    newFiles.reset();
    // A rule that moved nothing leaves the original files checked, which is not what was asked.
    bool rebaseUnused = false;
    if (!cancelled && !writeFailed) {
        for (std::size_t i = 0; i < check.rebase.size(); ++i) {
            if (i < counts.rebaseMatched.size() && counts.rebaseMatched[i]) continue;
            rebaseUnused = true;
            reporter.Say("--rebase '" + EscapeForDisplay(check.rebase[i].first) +
                         "' matched no entry");
        }
    }
    writeFailed = !outcomes.Flush() || writeFailed || (toFile && !file.Close());
    progress.ClearLine();

    SayOnStandardError(FormatCheckSummary(counts));
    if (writeFailed) {
        SayOnStandardError(toFile ? std::string("error writing the output file")
                                  : std::string("error writing standard output: ") +
                                        std::strerror(console.ErrorNumber()));
        return badListing ? kExitUsage : kExitTrouble;
    }
    if (cancelled) {
        SayOnStandardError("interrupted");
        return kExitInterrupted;
    }
    if (badListing) return kExitUsage;
    if (check.ignoreMissing && counts.FilesExamined() == 0) {
        // The summary says so itself when it counted nothing at all.
        if (counts.Entries() + counts.added + counts.malformed != 0) {
            SayOnStandardError("no file was checked");
        }
        return kExitTrouble;
    }
    return counts.AllOk() && !rebaseUnused ? kExitSuccess : kExitTrouble;
}

}  // namespace quillmark
