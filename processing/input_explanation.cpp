// input_explanation.cpp - explaining inputs that gave no file: missing names, special files,
// links to directories, directories without recursion, patterns that match nothing.
#include "processing/input_explanation.h"

#include <sys/stat.h>

#include <cerrno>

#include "processing/name_escaping.h"

namespace quillmark {

std::optional<InputExplanation> ExplainEmptyRun(const std::string& input, bool recursive,
                                                const RunOutcome& summary, bool patterns) {
    if (summary.filesProcessed > 0 || summary.messagesShown > 0 || summary.cancelled) {
        return std::nullopt;
    }
    if (input.empty()) return std::nullopt;
    const std::string shown = EscapeForDisplay(input);
    if (input.find_first_of("*?") != std::string::npos) {
        if (!patterns) return std::nullopt;
        return InputExplanation{"no file matches '" + shown + "'", false};
    }
    if (input.back() == '/') return std::nullopt;
    struct stat info {};
    if (::lstat(input.c_str(), &info) != 0) {
        if (errno != ENOENT) return std::nullopt;
        return InputExplanation{"cannot access '" + shown + "': No such file or directory", true};
    }
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        const bool reached = ::stat(input.c_str(), &target) == 0;
        if (reached && S_ISDIR(target.st_mode)) {
            return InputExplanation{
                "'" + shown + "' is a link to a directory; name it as '" + shown + "/' to walk it",
                true};
        }
        if (!reached || !S_ISREG(target.st_mode)) {
            return InputExplanation{"'" + shown + "': not a regular file", true};
        }
        return std::nullopt;
    }
    if (S_ISDIR(info.st_mode)) {
        // Without recursion a directory named without its '/' is a name in its parent, whose
        // files are never reached; the user most likely meant the directory's files.
        if (recursive) return std::nullopt;
        return InputExplanation{
            "'" + shown + "' is a directory; name it as '" + shown + "/' to checksum its files",
            false};
    }
    if (!S_ISREG(info.st_mode)) {
        return InputExplanation{"'" + shown + "': not a regular file", true};
    }
    return std::nullopt;
}

}  // namespace quillmark
