// listing_check.h - checking the files a listing names against what it recorded: the check run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checksum/read_mode.h"
#include "processing/output_sink.h"
#include "processing/run_reporting.h"

namespace quillmark {

enum class CheckOutcome { Ok, Failed, Missing, Unreadable, NotRecorded, New };

struct CheckOptions {
    ReadMode readMode = ReadMode::Binary;  // as a run reads
    bool quiet = false;                    // only the outcomes that are not OK
    bool ignoreMissing = false;            // missing files leave no line and no count
    bool reportNew = false;                // unlisted files beside listed ones
    // OLD=NEW path prefixes, whole components, the first that matches applies.
    std::vector<std::pair<std::string, std::string>> rebase;
    std::string ownOutputFile;  // never reported as new
    // How many files are read at once, as a run's jobs: 0 finds the number that suits the device.
    unsigned jobs = 0;
    // Outcome lines are read by a person (a terminal, the window's pane): names escaped for
    // display.
    bool forDisplay = false;
};

struct CheckCounts {
    std::uint64_t ok = 0;
    std::uint64_t failed = 0;
    std::uint64_t missing = 0;
    std::uint64_t unreadable = 0;
    std::uint64_t notRecorded = 0;
    std::uint64_t added = 0;
    std::uint64_t malformed = 0;

    // The count an outcome adds to.
    std::uint64_t& Of(CheckOutcome outcome) {
        switch (outcome) {
            case CheckOutcome::Ok:
                return ok;
            case CheckOutcome::Failed:
                return failed;
            case CheckOutcome::Missing:
                return missing;
            case CheckOutcome::Unreadable:
                return unreadable;
            case CheckOutcome::NotRecorded:
                return notRecorded;
            case CheckOutcome::New:
                break;
        }
        return added;
    }

    std::uint64_t Entries() const { return ok + failed + missing + unreadable + notRecorded; }
    // Files whose bytes or size were compared.
    std::uint64_t FilesExamined() const { return ok + failed + unreadable; }
    bool AllOk() const { return Entries() == ok && added == 0 && malformed == 0; }
};

// What a check tells its front end besides the outcome lines.
class CheckReporter {
public:
    virtual ~CheckReporter() = default;
    virtual void OnMalformedLine(std::string_view listing, std::uint64_t line) = 0;
    // A remark about one entry, such as a name that matches several files in letter case.
    virtual void OnNotice(std::string_view text) = 0;
};

struct CheckEnvironment {
    OutputSink& outcomes;  // "PATH: OK" lines
    CheckReporter& reporter;
    RunProgressView& progress;
};

enum class ListingStatus { Checked, Unreadable, NotText, Empty, Cancelled, WriteFailed };

struct ListingCheck {
    ListingCheck(ListingStatus checkStatus = ListingStatus::Checked, int error = 0,
                 std::string reason = {})
        : status(checkStatus), errorNumber(error), notTextReason(std::move(reason)) {}

    ListingStatus status;
    int errorNumber;            // for Unreadable
    std::string notTextReason;  // for NotText: "UTF-16 text", ...
};

// The listing name that stands for standard input.
inline constexpr std::string_view kStandardInputListing = "-";

// Checks every entry of one listing, in listing order, adding to counts. The listing "-" is read
// from standard input, and its relative names are relative to the working directory.
ListingCheck CheckListing(const std::string& listing, const CheckOptions& options,
                          CheckEnvironment& env, CheckCounts& counts);

// "PATH: OK\n", the path escaped as result lines escape it, or for a person's eyes.
std::string FormatOutcomeLine(std::string_view path, CheckOutcome outcome, bool forDisplay = false);
// A sentence: "The file is OK.", "All 8 files are OK.", "1 file FAILED, 2 files are MISSING."
// naming only the counts that are not zero.
std::string FormatCheckSummary(const CheckCounts& counts);
// The path checked for recorded: the first rebase prefix that matches whole components replaced.
std::string RebasePath(std::string_view recorded,
                       const std::vector<std::pair<std::string, std::string>>& rebase);

}  // namespace quillmark
