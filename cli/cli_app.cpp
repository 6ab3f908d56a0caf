// cli_app.cpp - quillmark-cli from its arguments to its exit status.
#include "cli/cli_app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/cli_options.h"
#include "cli/console_messages.h"
#include "cli/console_progress.h"
#include "cli/descriptor_sink.h"
#include "cli/interrupt_flag.h"
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

// A plain name that matches nothing gives no line and no message in a run, which on a command
// line would pass a typing error off as success. Patterns that match nothing stay silent.
bool ReportIfMissing(const std::string& input, const RunSummary& summary) {
    if (summary.filesProcessed > 0 || summary.messagesShown > 0 || summary.cancelled) return false;
    if (input.empty() || input.find_first_of("*?") != std::string::npos) return false;
    struct stat info {};
    if (::lstat(input.c_str(), &info) == 0 || errno != ENOENT) return false;
    WriteAllTo(STDERR_FILENO,
               "quillmark-cli: cannot access '" + input + "': No such file or directory\n");
    return true;
}

}  // namespace

int RunCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    if (const auto status = ParseCommandLine(argc, argv, options, std::cout, std::cerr)) {
        return *status;
    }
    InstallInterruptHandler();

    const bool resultsOnTerminal = ::isatty(STDOUT_FILENO) == 1;
    DescriptorSink results(STDOUT_FILENO, resultsOnTerminal);
    ConsoleProgressView progress(STDERR_FILENO, ShowProgress(options.progress),
                                 &InterruptRequested);
    if (resultsOnTerminal) {
        results.SetAroundOutput([&progress] { progress.ClearLine(); },
                                [&progress] { progress.RestoreLine(); });
    }
    ConsoleMessagePresenter messages(STDERR_FILENO, results, progress);
    ResultTree tree;
    RunEnvironment environment{results, messages, progress, tree};

    bool anyUnreadable = false;
    bool anyMissing = false;
    bool cancelled = false;
    for (const std::string& input : options.inputs) {
        options.settings.m_strInput = input;
        const RunSummary summary = RunProcessing(options.settings, environment);
        anyUnreadable = anyUnreadable || summary.filesUnreadable > 0;
        results.Flush();
        anyMissing = ReportIfMissing(input, summary) || anyMissing;
        cancelled = summary.cancelled || InterruptRequested();
        if (cancelled || !results.Flush()) break;
    }
    results.Flush();
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
