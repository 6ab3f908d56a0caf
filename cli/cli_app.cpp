// cli_app.cpp - quillmark-cli from its arguments to its exit status.
#include "cli/cli_app.h"

#include <unistd.h>

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

}  // namespace

int RunCommandLine(int argc, const char* const* argv) {
    CliOptions options;
    if (const auto status = ParseCommandLine(argc, argv, options, std::cout, std::cerr)) {
        return *status;
    }
    InstallInterruptHandler();

    DescriptorSink results(STDOUT_FILENO, ::isatty(STDOUT_FILENO) == 1);
    ConsoleProgressView progress(STDERR_FILENO, ShowProgress(options.progress),
                                 &InterruptRequested);
    results.SetBeforeOutput([&progress] { progress.ClearLine(); });
    ConsoleMessagePresenter messages(STDERR_FILENO, results, progress);
    ResultTree tree;
    RunEnvironment environment{results, messages, progress, tree};

    bool anyUnreadable = false;
    bool cancelled = false;
    for (const std::string& input : options.inputs) {
        options.settings.m_strInput = input;
        const RunSummary summary = RunProcessing(options.settings, environment);
        anyUnreadable = anyUnreadable || summary.filesUnreadable > 0;
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
    return anyUnreadable || messages.MessageCount() > 0 ? kExitTrouble : kExitSuccess;
}

}  // namespace quillmark
