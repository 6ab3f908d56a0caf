// cli_options.cpp - the command line of quillmark-cli and how it becomes a settings record.
#include "cli/cli_options.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "cli/console_messages.h"
#include "processing/name_escaping.h"
#include "settings/settings_file.h"

namespace quillmark {

namespace {

// CLI11 reads an argument written as a list ("[a,b]" as a and b, "[]" as nothing) when it fills a
// vector such as INPUT. A marker byte in front keeps every such argument whole; each value loses
// it again once parsed. An argument that begins with the marker itself is marked too, so taking
// one marker off always gives back what was written.
constexpr char kWholeMarker = '\x01';

bool NeedsWholeMarker(std::string_view argument) {
    if (argument.empty()) return false;
    return argument.front() == kWholeMarker || (argument.front() == '[' && argument.back() == ']');
}

void TakeWholeMarker(std::string& value) {
    if (!value.empty() && value.front() == kWholeMarker) value.erase(0, 1);
}

}  // namespace

void ApplyCliFlags(const CliFlags& flags, CCRCSettings& record) {
    if (flags.sort) record.m_bSortOutput = 1;
    if (flags.noRecursion) record.m_bNoRecursion = 1;
    if (flags.dirWildcards) record.m_bDirWildcards = 1;
    if (flags.lowercase) record.m_bLowercase = 1;
    if (flags.unixLF) record.m_bUnixLF = 1;
    if (flags.ascii) record.m_nReadMode = 0;
    if (flags.tabular) record.m_nOutputStyle = 1;
    if (flags.outputFile) {
        record.m_strOutput = *flags.outputFile;
        record.m_nOutputDest = 0;
    }

    record.ApplyAllConsequences();
    record.UpdateFlags();
}

std::optional<int> ParseCommandLine(int argc, const char* const* argv, CliOptions& options,
                                    std::ostream& out, std::ostream& err) {
    CLI::App app{
        "Prints the CRC-32 and size of each file named by INPUT: a file, a wildcard\n"
        "pattern such as dir/*.txt, or a directory (end it with '/' to take all of it).",
        "quillmark-cli"};
    app.set_version_flag("--version", "quillmark-cli " QUILLMARK_VERSION);

    CliFlags flags;
    std::string settingsFile;
    std::string outputFile;
    bool progressOn = false;
    bool progressOff = false;
    auto* sortFlag =
        app.add_flag("-s,--sort", flags.sort,
                     "Collect all results and print them sorted by path (implies --tabular)");
    auto* noRecursionFlag =
        app.add_flag("-n,--no-recursion", flags.noRecursion, "Do not enter subdirectories");
    auto* dirWildcardsFlag =
        app.add_flag("-w,--dir-wildcards", flags.dirWildcards,
                     "Walk every subdirectory entered with all its files, not just the pattern");
    auto* lowercaseFlag =
        app.add_flag("-l,--lowercase", flags.lowercase, "Print results in lowercase");
    app.add_flag("-u,--unix-lf", flags.unixLF,
                 "Checksum each LF as CR LF, so LF and CR LF texts agree (reads binary)");
    app.add_flag("-a,--ascii", flags.ascii,
                 "Read files as text, CR LF seen as LF (default: binary)");
    auto* tabularFlag =
        app.add_flag("-t,--tabular", flags.tabular,
                     "One line per file: CRC, size, path (default: descriptive blocks)");
    auto* output = app.add_option("-o,--output", outputFile,
                                  "Append the results to FILE, lines ending in CR LF")
                       ->type_name("FILE");
    auto* settings = app.add_option("--settings", settingsFile,
                                    "Start from the options saved in a settings.dat FILE")
                         ->type_name("FILE");
    app.add_option("-j,--jobs", options.jobs,
                   "Read N files at once (1: one at a time; default: as many as the storage "
                   "rewards, measured while running). The output is the same.")
        ->type_name("N")
        ->check(CLI::Range(1u, 256u));
    auto* progressFlag = app.add_flag("--progress", progressOn, "Show progress on standard error");
    auto* noProgressFlag =
        app.add_flag("--no-progress", progressOff, "Never show progress (default: on a terminal)");
    progressFlag->excludes(noProgressFlag);
    std::vector<std::string> rebase;
    auto* check = app.add_flag(
        "-c,--check", options.check.enabled,
        "Read each INPUT as a listing (- for standard input) and check the files it names");
    // A check reads the files its listing names, as the listing names them: options that shape
    // a walk or its output have nothing to act on, and are refused rather than ignored.
    for (CLI::Option* runOnly :
         {sortFlag, noRecursionFlag, dirWildcardsFlag, lowercaseFlag, tabularFlag}) {
        check->excludes(runOnly);
    }
    app.add_flag("--quiet", options.check.quiet, "With --check: print only what is not OK")
        ->needs(check);
    app.add_flag("--ignore-missing", options.check.ignoreMissing,
                 "With --check: leave out listed files that do not exist")
        ->needs(check);
    app.add_flag("--new", options.check.reportNew,
                 "With --check: also report unlisted files beside listed ones")
        ->needs(check);
    app.add_option("--rebase", rebase, "With --check: check paths under OLD at NEW instead")
        ->type_name("OLD=NEW")
        ->allow_extra_args(false)
        ->needs(check);
    app.add_flag("--sfv", options.sfv, "Print SFV lines (NAME CRC) that SFV checkers read")
        ->excludes(check);
    app.add_option("INPUT", options.inputs,
                   "What to checksum; each INPUT is one complete run (a listing with --check)")
        ->required()
        ->type_name("");

    std::vector<std::string> marked;
    marked.reserve(static_cast<std::size_t>(argc));
    for (int i = 0; i < argc; ++i) {
        const std::string_view argument = argv[i];
        marked.push_back(NeedsWholeMarker(argument) && i > 0 ? kWholeMarker + std::string(argument)
                                                             : std::string(argument));
    }
    std::vector<const char*> markedArgv;
    for (const std::string& argument : marked) markedArgv.push_back(argument.c_str());

    try {
        app.parse(argc, markedArgv.data());
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error, out, err);
        return status == 0 ? kExitSuccess : kExitUsage;
    }

    for (std::string& input : options.inputs) TakeWholeMarker(input);
    for (std::string& pair : rebase) TakeWholeMarker(pair);
    TakeWholeMarker(settingsFile);
    TakeWholeMarker(outputFile);

    options.settings.ResetDefaults();
    if (settings->count() > 0 && !ReadSettingsFile(settingsFile, options.settings)) {
        struct stat info {};
        const std::string reason = ::stat(settingsFile.c_str(), &info) != 0
                                       ? (errno == ENOENT ? "no such file" : std::strerror(errno))
                                   : !S_ISREG(info.st_mode) ? "not a regular file"
                                                            : "not a readable settings file";
        err << CommandMessage("cannot use --settings " + EscapeForDisplay(settingsFile) + ": " +
                              reason);
        return kExitUsage;
    }
    for (const std::string& pair : rebase) {
        const std::size_t equals = pair.find('=');
        // An empty NEW would check paths relative to wherever the command runs.
        if (equals == 0 || equals == std::string::npos || equals + 1 == pair.size()) {
            err << CommandMessage("--rebase wants OLD=NEW, not '" + EscapeForDisplay(pair) + "'");
            return kExitUsage;
        }
        options.check.rebase.emplace_back(pair.substr(0, equals), pair.substr(equals + 1));
    }
    options.check.modeGiven = flags.ascii || flags.unixLF;
    if (output->count() > 0) flags.outputFile = outputFile;
    ApplyCliFlags(flags, options.settings);

    options.progress = progressOn    ? ProgressChoice::Always
                       : progressOff ? ProgressChoice::Never
                                     : ProgressChoice::WhenTerminal;
    return std::nullopt;
}

}  // namespace quillmark
