// run_processing.cpp - RunProcessing: one run from the input specification to the last line, and
// the ending that restores the working directory and closes the output file on every path.
#include "processing/run_processing.h"

#include <optional>
#include <string>

#include "platform/path_services.h"
#include "processing/directory_walk.h"
#include "processing/file_sink.h"
#include "processing/input_parsing.h"
#include "processing/progress_meter.h"
#include "processing/run_messages.h"

namespace quillmark {

namespace {

constexpr const char* kWriteFailed = "Unable to write to output file.\nAborting processing.\n";

}  // namespace

RunSummary RunProcessing(CCRCSettings& settings, RunEnvironment& env) {
    RunSummary summary;
    RunMessages messages(env.messages, env.pane);
    // Declared before everything that may return, so the file is closed on every path.
    FileSink file;

    // The ending: whatever the run got to, it leaves the tree empty and the pane flushed.
    auto finish = [&]() {
        if (!env.tree.IsEmpty()) env.tree.Clear();
        env.pane.Flush();
        summary.messagesShown = messages.Count();
        return summary;
    };

    if (settings.m_strOutput.empty()) settings.m_nOutputDest = 1;
    if (settings.m_strInput.empty()) return finish();

    ParsedInput parsed;
    if (!ParseInputSpec(settings.m_strInput, parsed)) {
        messages.Show("Error encountered while attempting to parse input file");
        return finish();
    }

    const bool toFile = settings.m_nOutputDest == 0 && !settings.m_strOutput.empty();
    if (toFile && !file.Open(settings.m_strOutput, env.regularOutputOnly)) {
        messages.Show(kWriteFailed);
        return finish();
    }

    const std::optional<std::string> savedDirectory = GetCurrentDirectory();
    if (!savedDirectory) messages.Show("Unable to get current directory.");
    if (!ChangeDirectory(parsed.szStartDir)) messages.Show("Unable to set working dirctory");

    // With no saved directory there is nothing valid to go back to, so the working directory is
    // left where the run put it.
    auto restoreDirectory = [&]() {
        if (savedDirectory && !ChangeDirectory(*savedDirectory)) {
            messages.Show("Unable to reset prior working dirctory");
        }
    };

    const bool sorted = settings.m_bSortOutput != 0;
    const ProgressWindowKind kind =
        sorted ? ProgressWindowKind::Sorting : ProgressWindowKind::Processing;
    if (!env.progress.OpenProgressWindow(kind)) {
        // Another run owns the progress window and the tree: leave both alone, but do not leave
        // this run's output file open or the working directory moved.
        restoreDirectory();
        file.Close();
        env.pane.Flush();
        summary.messagesShown = messages.Count();
        return summary;
    }
    if (sorted) env.tree.Clear();

    OutputSink& sink = toFile ? static_cast<OutputSink&>(file) : env.pane;
    ProgressMeter meter(env.progress);
    DirectoryWalk walk(settings, sink, env.tree, messages, meter);
    walk.WalkDirectory(parsed.szStartDir, parsed.szPattern);
    meter.Finish();
    summary.walked = true;
    summary.cancelled = meter.Cancelled();
    summary.filesProcessed = walk.FilesReported();
    summary.filesUnreadable = walk.FilesUnreadable();
    summary.bytesRead = meter.BytesDone();

    env.progress.CloseProgressWindow(kind);
    bool written = !walk.WriteFailed();
    if (sorted) {
        // A cancelled sorted run prints nothing: half a sorted list would read as a whole one.
        if (!summary.cancelled && !env.tree.IsEmpty()) written = env.tree.Print(sink);
        env.tree.Clear();
    }
    if (written) written = sink.Flush();
    if (!written) messages.Show(kWriteFailed);

    restoreDirectory();
    file.Close();
    return finish();
}

}  // namespace quillmark
