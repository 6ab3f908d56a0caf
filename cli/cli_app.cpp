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
#include "cli/console_output.h"
#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"
#include "cli/interrupt_flag.h"
#include "platform/case_insensitive_path.h"
#include "platform/directory_handle.h"
#include "platform/regular_file.h"
#include "processing/check/sfv_writer.h"
#include "processing/display_result_format.h"
#include "processing/input_explanation.h"
#include "processing/name_escaping.h"
#include "processing/run_processing.h"

namespace quillmark {

namespace {

void SayCannotAccess(const std::string& name, int error) {
    SayOnStandardError("cannot access '" + EscapeForDisplay(name) + "': " + std::strerror(error));
}

// Explains a plain name that reported no file on standard error; true when that is a failure.
bool ExplainEmptyRun(const std::string& input, const CCRCSettings& settings,
                     const RunOutcome& summary) {
    const std::optional<InputExplanation> explanation =
        quillmark::ExplainEmptyRun(input, settings.IsRecursive(), summary);
    if (!explanation) return false;
    SayOnStandardError(explanation->text);
    return explanation->failure;
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
        SayOnStandardError(EscapeForDisplay(path) + ": " + std::string(reason));
    }
    void OnUnreadableDirectory(std::string_view path, std::string_view reason) override {
        m_results.Flush();
        m_progress.ClearLine();
        SayOnStandardError("'" + EscapeForDisplay(path) + "': " + std::string(reason));
    }
    void OnDanglingLink(std::string_view path) override {
        m_results.Flush();
        m_progress.ClearLine();
        SayOnStandardError("'" + EscapeForDisplay(path) + "': dangling link, not checksummed");
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
    // An output file no open can reach (a link loop, a name too long) is named with the reason
    // once, rather than as a failed write in every run.
    if (options.settings.OutputsToFile()) {
        struct stat info {};
        if (::stat(options.settings.m_strOutput.c_str(), &info) != 0 && errno != ENOENT) {
            SayCannotAccess(options.settings.m_strOutput, errno);
            return kExitTrouble;
        }
    }

    ConsoleOutput console(options.progress);
    DescriptorSink& results = console.StandardOutput();
    ConsoleProgressView& progress = console.Progress();

    // Results a person reads on the terminal show awkward names escaped; a file or a pipe gets
    // the names' own bytes.
    const bool forDisplay = ::isatty(STDOUT_FILENO) == 1 && !options.settings.OutputsToFile();
    std::optional<SfvFormat> sfv;
    if (options.sfv) {
        sfv.emplace(
            options.settings.m_flags,
            [](std::string_view path, std::string_view reason) {
                SayOnStandardError("left out of the SFV listing: " + EscapeForDisplay(path) + ": " +
                                   std::string(reason));
            },
            forDisplay);
    }
    OutputSink& pane = results;
    ConsoleMessagePresenter messages(STDERR_FILENO, pane, progress);
    messages.SetStandardOutput(&results);
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
        SayOnStandardError(std::string("error writing standard output: ") +
                           std::strerror(results.ErrorNumber()));
        return kExitTrouble;
    }
    if (cancelled) {
        SayOnStandardError("interrupted");
        return kExitInterrupted;
    }
    const bool trouble = anyUnreadable || anyMissing || messages.MessageCount() > 0;
    return trouble ? kExitTrouble : kExitSuccess;
}

}  // namespace quillmark
