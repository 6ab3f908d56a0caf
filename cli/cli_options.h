// cli_options.h - the command line of quillmark-cli and how it becomes a settings record.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "settings/crc_settings.h"

namespace quillmark {

// The options as given on the line. Each flag can only switch its option on: what is not given
// keeps the value of the defaults or of the --settings file.
struct CliFlags {
    bool sort = false;
    bool noRecursion = false;
    bool dirWildcards = false;
    bool lowercase = false;
    bool unixLF = false;
    bool ascii = false;
    bool tabular = false;
    std::optional<std::string> outputFile;
};

enum class ProgressChoice { WhenTerminal, Always, Never };

// --check and the options that only mean something with it.
struct CheckFlags {
    bool enabled = false;
    bool quiet = false;
    bool ignoreMissing = false;
    bool reportNew = false;
    bool modeGiven = false;  // -a or -u given: listings' headers do not choose the mode
    std::vector<std::pair<std::string, std::string>> rebase;  // OLD, NEW
};

struct CliOptions {
    CCRCSettings settings;  // ready for the runs: flags, interlocks and m_flags applied
    std::vector<std::string> inputs;
    ProgressChoice progress = ProgressChoice::WhenTerminal;
    unsigned jobs = 0;  // files read at once; 0: as many as the device rewards
    CheckFlags check;   // inputs are listings when check.enabled
    bool sfv = false;   // runs print SFV lines
};

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitTrouble = 1;  // an unreadable file, a message, a failed write
inline constexpr int kExitUsage = 2;
inline constexpr int kExitInterrupted = 130;

// Puts the flags over the record, then keeps the same relations between options that the
// settings dialog keeps (sort means tabular without lowercase, Unix line ends mean binary
// reading, no recursion means no directory wildcards), then derives the flag byte.
void ApplyCliFlags(const CliFlags& flags, CCRCSettings& record);

// Parses the whole line into options. Returns nothing when the runs should go ahead, or the exit
// status when the program is done already: 0 after --help or --version (printed to out), 2 after
// a usage error or an unreadable --settings file (explained on err).
std::optional<int> ParseCommandLine(int argc, const char* const* argv, CliOptions& options,
                                    std::ostream& out, std::ostream& err);

}  // namespace quillmark
