// run_processing.cpp - RunProcessing: one run from the input specification to the last line, and
// the ending that closes the output file on every path.
#include "processing/run_processing.h"

#include <optional>
#include <string>

#include "platform/directory_handle.h"
#include "processing/directory_walk.h"
#include "processing/file_sink.h"
#include "processing/input_parsing.h"
#include "processing/progress_meter.h"
#include "processing/run_messages.h"

namespace quillmark {

RunOutcome RunProcessing(CCRCSettings& settings, RunEnvironment& env) {
    // "~/" at the start of the input or the output file is the home directory, as in a shell;
    // the settings keep what was typed.
    const std::string input = ExpandHome(settings.m_strInput);
    const std::string output = ExpandHome(settings.m_strOutput);
    RunOutcome summary;
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
    if (!ParseInputSpec(input, parsed)) {
        messages.Show(kParseFailedText);
        return finish();
    }

    const bool toFile = settings.OutputsToFile();
    if (toFile && !file.Open(output, env.regularOutputOnly)) {
        messages.Show(kWriteFailedText);
        return finish();
    }

    // The walk never moves the working directory: it opens the start directory here, by the path
    // the user gave (links in it followed), and everything below it relative to that.
    OpenError startError;
    std::optional<DirectoryHandle> startDirectory =
        OpenDirectoryPath(parsed.szStartDir, &startError);
    if (!startDirectory) messages.Show(kStartDirectoryFailedText);

    const bool sorted = settings.IsSorted();
    const RunKind kind = sorted ? RunKind::Sorting : RunKind::Processing;
    if (!env.progress.RunStarting(kind)) {
        // Another run owns the progress window and the tree: leave both alone, but do not leave
        // this run's output file open.
        file.Close();
        env.pane.Flush();
        summary.messagesShown = messages.Count();
        return summary;
    }
    if (sorted) env.tree.Clear();

    OutputSink& sink = toFile ? static_cast<OutputSink&>(file) : env.pane;
    ProgressMeter meter(env.progress, ProgressMeter::kDefaultInterval, env.clock);
    if (env.format != nullptr && !sink.Write(env.format->Header())) {
        messages.Show(kWriteFailedText);
        file.Close();
        return finish();
    }
    DirectoryWalk walk(settings, sink, env.tree, messages, meter, ParallelChoice{env.jobs});
    walk.WriteIn(env.format);
    walk.ReportUnreadableTo(env.unreadable);
    if (env.screenFile) walk.Exclude(*env.screenFile);
    if (toFile) {
        if (const std::optional<FileIdentity> own = file.Identity()) walk.Exclude(*own);
    }
    walk.WalkDirectory(startDirectory
                           ? std::make_shared<const DirectoryHandle>(std::move(*startDirectory))
                           : nullptr,
                       parsed.szStartDir, parsed.szPattern, startError.number);
    walk.Finish();
    meter.Finish();
    summary.walked = true;
    summary.cancelled = meter.Cancelled();
    summary.filesProcessed = walk.FilesReported();
    summary.filesUnreadable = walk.FilesUnreadable();
    summary.bytesRead = meter.BytesDone();

    env.progress.RunEnded(kind);
    bool written = !walk.WriteFailed();
    if (sorted) {
        // A cancelled sorted run prints nothing: half a sorted list would read as a whole one.
        if (!summary.cancelled && !env.tree.IsEmpty()) written = env.tree.Print(sink, env.format);
        env.tree.Clear();
    }
    if (written) written = sink.Flush();
    if (!written) messages.Show(kWriteFailedText);

    file.Close();
    return finish();
}

}  // namespace quillmark
