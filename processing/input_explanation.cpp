// input_explanation.cpp - explaining inputs that gave no file: missing names, special files,
// links to directories, directories without recursion, patterns that match nothing.
#include "processing/input_explanation.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/case_insensitive_path.h"
#include "platform/directory_handle.h"
#include "processing/name_escaping.h"

namespace quillmark {

namespace {

// The status of what a name leads to, through a parent directory opened a piece at a time so a
// path of any length can be looked at; an errno value, or 0 with info filled in.
int StatusOf(const std::string& path, struct stat& info, bool followLink) {
    OpenError error;
    const std::optional<OpenedParent> parent = OpenParentDirectory(path, &error);
    if (!parent) return error.number;
    const int flags = followLink ? 0 : AT_SYMLINK_NOFOLLOW;
    if (::fstatat(parent->directory.Descriptor(), parent->name.c_str(), &info, flags) != 0) {
        return errno;
    }
    return 0;
}

InputExplanation CannotAccess(const std::string& name, int error) {
    return {"cannot access '" + EscapeForDisplay(name) + "': " + std::strerror(error), true};
}

}  // namespace

std::optional<InputExplanation> ExplainEmptyRun(const std::string& input, bool recursive,
                                                const RunOutcome& summary, bool patterns) {
    if (summary.filesProcessed > 0 || summary.messagesShown > 0 || summary.cancelled) {
        return std::nullopt;
    }
    if (input.empty()) return std::nullopt;
    if (input.find_first_of("*?") != std::string::npos) {
        if (!patterns) return std::nullopt;
        return InputExplanation{"no file matches '" + EscapeForDisplay(input) + "'", false};
    }
    if (input.back() == '/') return std::nullopt;
    // A name the run matched ignoring case is explained under its real spelling.
    std::string path = input;
    struct stat info {};
    int error = StatusOf(path, info, false);
    if (error == ENOENT) {
        std::string resolved;
        if (MatchPathIgnoringCase(input, resolved) == CaseMatch::Found) {
            path = resolved;
            error = StatusOf(path, info, false);
        }
    }
    if (error != 0) {
        if (error != ENOENT && error != ENAMETOOLONG && error != ELOOP) return std::nullopt;
        return CannotAccess(input, error);
    }
    const std::string shown = EscapeForDisplay(path);
    if (S_ISLNK(info.st_mode)) {
        struct stat target {};
        const int targetError = StatusOf(path, target, true);
        if (targetError == ELOOP) return CannotAccess(path, targetError);
        if (targetError == 0 && S_ISDIR(target.st_mode)) {
            return InputExplanation{
                "'" + shown + "' is a link to a directory; name it as '" + shown + "/' to walk it",
                true};
        }
        if (targetError != 0 || !S_ISREG(target.st_mode)) {
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
