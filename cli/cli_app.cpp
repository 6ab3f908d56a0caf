// cli_app.cpp - quillmark-cli from its arguments to its exit status.
#include "cli/cli_app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "cli/check_command.h"
#include "cli/cli_options.h"
#include "cli/console_messages.h"
#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"
#include "cli/interrupt_flag.h"
#include "platform/regular_file.h"
#include "processing/check/sfv_writer.h"
#include "processing/display_result_format.h"
#include "processing/name_escaping.h"
#include "processing/run_processing.h"

namespace quillmark {

namespace {

bool ShowProgress(ProgressChoice choice) {
    switch (choice) {
        case ProgressChoice::Always:
            return true;
        case ProgressChoice::Never:
            return false;
        case ProgressChoice::WhenTerminal:
            break;
    }
    return ::isatty(STDERR_FILENO) == 1;
}

void SayAboutInput(std::string_view text) {
    WriteAllTo(STDERR_FILENO, "quillmark-cli: " + std::string(text) + "\n");
}

// A plain name that reports no file gives no line and no message in a run, which on a command
// line would pass a typing error, a FIFO or a link to a directory off as success. Each gets its
// own explanation; true when it counts as a failure. Patterns that match nothing stay silent.
bool ExplainEmptyRun(const std::string& input, const CCRCSettings& settings,
                     const RunOutcome& summary) {
    if (summary.filesProcessed > 0 || summary.messagesShown > 0 || summary.cancelled) return false;
    if (input.empty() || input.find_first_of("*?") != std::string::npos) return false;
    if (input.back() == '/') return false;
    const std::string shown = EscapeForDisplay(input);
    struct stat info {};
    if (::lstat(input.c_str(), &info) != 0) {
        if (errno != ENOENT) return false;
        SayAboutInput("cannot access '" + shown + "': No such file or directory");
        return true;
    }
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        const bool reached = ::stat(input.c_str(), &target) == 0;
        if (reached && S_ISDIR(target.st_mode)) {
            SayAboutInput("'" + shown + "' is a link to a directory; name it as '" + shown +
                          "/' to walk it");
            return true;
        }
        if (!reached || !S_ISREG(target.st_mode)) {
            SayAboutInput("'" + shown + "': not a regular file");
            return true;
        }
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        // Without recursion a directory named without its '/' is a name in its parent, whose
        // files are never reached; the user most likely meant the directory's files.
        if (!settings.IsRecursive()) {
            SayAboutInput("'" + shown + "' is a directory; name it as '" + shown +
                          "/' to checksum its files");
        }
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        SayAboutInput("'" + shown + "': not a regular file");
        return true;
    }
    return false;
}

// Each unreadable file named with its reason on standard error, so that a run whose results go
// to a file still says what went wrong.
class ConsoleUnreadableReport : public UnreadableFileReport {
public:
    ConsoleUnreadableReport(OutputSink& results, ConsoleProgressView& progress)
        : m_results(results), m_progress(progress) {}

    void OnUnreadableFile(std::string_view path, std::string_view reason) override {
        m_results.Flush();
        m_progress.ClearLine();
        std::string line = "quillmark-cli: ";
        line += EscapeForDisplay(path);
        line += ": ";
        line.append(reason);
        line += '\n';
        WriteAllTo(STDERR_FILENO, line);
    }

private:
    OutputSink& m_results;
    ConsoleProgressView& m_progress;
};

}  // namespace

int RunCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    if (const auto status = ParseCommandLine(argc, argv, options, std::cout, std::cerr)) {
        return *status;
    }
    if (options.check.enabled) return RunCheckCommand(options);
    InstallInterruptHandler();

    const bool resultsOnTerminal = ::isatty(STDOUT_FILENO) == 1;
    DescriptorSink results(STDOUT_FILENO, resultsOnTerminal);
    ConsoleProgressView progress(STDERR_FILENO, ShowProgress(options.progress),
                                 &InterruptRequested);
    if (resultsOnTerminal) {
        results.SetAroundOutput([&progress] { progress.ClearLine(); },
                                [&progress] { progress.RestoreLine(); });
    }

    // Results a person reads on the terminal show awkward names escaped; a file or a pipe gets
    // the names' own bytes.
    const bool toFile =
        options.settings.m_nOutputDest == 0 && !options.settings.m_strOutput.empty();
    const bool forDisplay = resultsOnTerminal && !toFile;
    std::optional<SfvFormat> sfv;
    if (options.sfv) {
        sfv.emplace(
            options.settings.m_flags,
            [](std::string_view path, std::string_view reason) {
                WriteAllTo(STDERR_FILENO,
                           "quillmark-cli: left out of the SFV listing: " + EscapeForDisplay(path) +
                               ": " + std::string(reason) + "\n");
            },
            forDisplay);
    }
    OutputSink& pane = results;
    ConsoleMessagePresenter messages(STDERR_FILENO, pane, progress);
    ResultTree tree;
    ConsoleUnreadableReport unreadable(pane, progress);
    RunEnvironment environment{pane, messages, progress, tree};
    environment.unreadable = &unreadable;
    environment.jobs = options.jobs;
    const DisplayResultFormat display(options.settings);
    if (sfv) {
        environment.format = &*sfv;
    } else if (forDisplay) {
        environment.format = &display;
    }
    // Standard output redirected to a file inside the tree must not list itself.
    environment.screenFile = IdentityOfDescriptor(STDOUT_FILENO);

    bool anyUnreadable = false;
    bool anyMissing = false;
    bool cancelled = false;
    for (const std::string& input : options.inputs) {
        options.settings.m_strInput = input;
        const RunOutcome summary = RunProcessing(options.settings, environment);
        anyUnreadable = anyUnreadable || summary.filesUnreadable > 0;
        pane.Flush();
        anyMissing = ExplainEmptyRun(input, options.settings, summary) || anyMissing;
        cancelled = summary.cancelled || InterruptRequested();
        if (cancelled || !pane.Flush()) break;
    }
    pane.Flush();
    progress.ClearLine();

    if (results.Failed()) {
        WriteAllTo(STDERR_FILENO, std::string("quillmark-cli: error writing standard output: ") +
                                      std::strerror(results.ErrorNumber()) + "\n");
        return kExitTrouble;
    }
    if (cancelled) {
        WriteAllTo(STDERR_FILENO, "quillmark-cli: interrupted\n");
        return kExitInterrupted;
    }
    const bool trouble = anyUnreadable || anyMissing || messages.MessageCount() > 0;
    return trouble ? kExitTrouble : kExitSuccess;
}

}  // namespace quillmark
