// listing_check.h - checking the files a listing names against what it recorded: the check run.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "checksum/read_mode.h"
#include "platform/regular_file.h"
#include "processing/output_sink.h"
#include "processing/run_reporting.h"

namespace quillmark {

class NewFileFinder;

enum class CheckOutcome { Ok, Failed, Missing, Unreadable, NotRecorded, New };

struct CheckOptions {
    // As a run reads. An SFV header of Quillmark's ("; Quillmark VERSION, ASCII mode") sets the
    // mode of the entries after it, unless modeGiven: then readMode is used throughout, and each
    // header that says otherwise is named.
    ReadMode readMode = ReadMode::Binary;
    bool modeGiven = false;
    bool quiet = false;          // only the outcomes that are not OK
    bool ignoreMissing = false;  // missing files leave no line and no count
    bool reportNew = false;      // unlisted files beside listed ones
    // OLD=NEW path prefixes, whole components, the first that matches applies.
    std::vector<std::pair<std::string, std::string>> rebase;
    std::string ownOutputFile;  // never reported as new
    // Never reported as new either: the command's listings, the file its output goes to.
    std::vector<FileIdentity> neverNew;
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
    // Headers naming another mode than the one given to the check.
    std::uint64_t contradictedHeaders = 0;
    // The modes entries were read in: 1 << ReadMode for each.
    unsigned modesUsed = 0;
    // For each --rebase rule, whether some entry's path matched it.
    std::vector<bool> rebaseMatched;

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
    bool AllOk() const {
        return Entries() == ok && added == 0 && malformed == 0 && contradictedHeaders == 0;
    }
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
    // With reportNew: the files listed by every listing of a command gathered here, and their new
    // files told once by ReportNewFiles after the last. Null: each listing reports its own.
    NewFileFinder* newFiles = nullptr;
    bool newForDisplay = false;  // the NEW lines of ReportNewFiles are for a person's eyes
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

// The new files beside those that the listings checked with env.newFiles listed, in byte order of
// their paths, in a progress window of their own. Checked, Cancelled or WriteFailed.
ListingStatus ReportNewFiles(CheckEnvironment& env, CheckCounts& counts);

// "PATH: OK\n", the path escaped as result lines escape it, or for a person's eyes.
std::string FormatOutcomeLine(std::string_view path, CheckOutcome outcome, bool forDisplay = false);
// A sentence: "The file is OK.", "All 8 files are OK.", "1 file FAILED, 2 files are MISSING."
// naming only the counts that are not zero.
std::string FormatCheckSummary(const CheckCounts& counts);
// "binary mode", "ASCII mode", "Unix LF mode".
const char* ReadModeName(ReadMode mode);
// "Checked in binary mode and ASCII mode." naming each mode used, or empty when none was.
std::string FormatModesUsed(const CheckCounts& counts);
// The mode a Quillmark SFV header line names (binary when it names none), or nullopt for any
// other line.
std::optional<ReadMode> QuillmarkHeaderMode(std::string_view line);

// A path written on Windows: it starts with a drive letter ("D:") or with "\\".
bool IsWindowsPath(std::string_view path);

using RebaseRules = std::vector<std::pair<std::string, std::string>>;

// Where a path is checked after --rebase.
struct Rebased {
    std::string path;       // NEW as typed, then the part of the path below OLD
    std::size_t below = 0;  // where that part starts in path (0: no rule matched)
    int rule = -1;          // the rule that matched, by its index
};

// The first rule whose OLD is a leading run of whole components of resolved gives NEW in its
// place. An OLD that is a Windows path matches with '/' or '\\' as separator, repeated ones as
// one, letters in any case, and the rest of the path has each '\\' read as '/'; any other OLD
// matches byte for byte. absolute, when not empty, is resolved as an absolute path: an absolute
// OLD is matched against it when it does not match resolved.
Rebased RebaseEntryPath(std::string_view resolved, const RebaseRules& rebase,
                        std::string_view absolute = {});
// The path checked for recorded.
std::string RebasePath(std::string_view recorded, const RebaseRules& rebase);

}  // namespace quillmark
