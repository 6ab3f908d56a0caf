// run_reporting.h - how a run talks to its front end: messages, the progress window, progress.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

inline constexpr const char* kErrorCaption = "Error";

// Shows one message and returns when the user has seen it (a box in the desktop program, a line
// on standard error in the command line).
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
};

// Told of each file that could not be read, beside its read-error line: the command line names
// it and the reason on standard error, so a run redirected to a file does not fail in silence.
class UnreadableFileReport {
public:
    virtual ~UnreadableFileReport() = default;
    // reason: the system's words for the failure, or "file changed while being read".
    virtual void OnUnreadableFile(std::string_view path, std::string_view reason) = 0;
    // Told of each directory the walk could not open or read, or found replaced when it came
    // back to it, beside the "Unable to locate the directory" message: path as that message
    // prints it, reason the system's words or kDirectoryChangedReason.
    virtual void OnUnreadableDirectory(std::string_view /*path*/, std::string_view /*reason*/) {}
    // Told of each link the walk met that leads nowhere: it is not a file and gets no line, but a
    // user checking a tree wants to know it is there.
    virtual void OnDanglingLink(std::string_view /*path*/) {}
};

// Why the walk, climbing back out of a deep subdirectory, does not go on in one of its ancestors:
// the ancestor's name now leads to another directory.
inline constexpr const char* kDirectoryChangedReason = "directory changed during the run";

enum class RunKind { Processing, Sorting };  // "Processing files", "Sort in progress"

struct RunProgress {
    std::uint64_t filesDone = 0;
    std::uint64_t bytesDone = 0;
    std::string currentPath;  // the file being read, as it will be printed
    // The file being read (with several in flight, the oldest unfinished one in walk order): its
    // size as listed, 0 when not known, and how many of its bytes have been read.
    std::uint64_t currentFileSize = 0;
    std::uint64_t currentFileDone = 0;
    // Files opened and not yet finished: with several reads in flight, more than the one named.
    std::uint64_t filesInProgress = 0;
};

class RunProgressView {
public:
    virtual ~RunProgressView() = default;
    // A run of this kind is about to walk (the window shows its progress window then). False
    // when another run holds the display: this one then does not walk.
    virtual bool RunStarting(RunKind kind) = 0;
    // The walk is over; the sorted print, if any, follows.
    virtual void RunEnded(RunKind kind) = 0;
    // Called at least every 100 ms while the run works, also inside one large file.
    virtual void OnProgress(const RunProgress& progress) = 0;
    // Polled between files and between buffers; true stops the run cleanly.
    virtual bool IsCancelRequested() = 0;
};

// For front ends that show no progress.
class SilentProgressView : public RunProgressView {
public:
    bool RunStarting(RunKind) override { return true; }
    void RunEnded(RunKind) override {}
    void OnProgress(const RunProgress&) override {}
    bool IsCancelRequested() override { return false; }
};

}  // namespace quillmark
