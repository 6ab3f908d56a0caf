// input_parsing.cpp - ParseInputSpec: start directory and file pattern from one input
// specification.
#include "processing/input_parsing.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "platform/case_insensitive_path.h"
#include "platform/path_services.h"
#include "platform/path_split.h"

namespace quillmark {

namespace {

// The pieces of an input as _splitpath gives them; with no drive letters there is no drive part.
struct InputParts {
    std::string_view directory;  // up to and including the last '/'
    std::string_view name;       // the final component up to its last dot
    std::string_view extension;  // from that dot on
};

InputParts Split(std::string_view input) {
    InputParts parts;
    const SplitPath split = SplitAtLastSlash(input);
    parts.directory = split.directory;
    const std::string_view last = split.name;
    const std::size_t dot = last.rfind('.');
    parts.name = last.substr(0, dot == std::string_view::npos ? last.size() : dot);
    parts.extension = last.substr(parts.name.size());
    return parts;
}

// "/" plus "/" would make "//", which names something else here.
std::string DirectoryBelow(const std::string& current, std::string_view relative) {
    std::string result = current;
    if (result.empty() || result.back() != '/') result += '/';
    result += relative;
    return result;
}

std::string Joined(std::string_view name, std::string_view extension) {
    std::string pattern(name);
    pattern += extension;
    return pattern;
}

}  // namespace

std::string ExpandHome(std::string_view path) {
    const char* home = std::getenv("HOME");
    if (!path.starts_with("~/") || home == nullptr || home[0] != '/') return std::string(path);
    std::string expanded = home;
    // "/" as the home directory, or one given with its '/', must not give "//".
    if (expanded.ends_with('/')) expanded.pop_back();
    expanded.append(path.substr(1));
    return expanded;
}

bool ParseInputSpec(std::string_view input, ParsedInput& result) {
    // Read first, whatever the input: an unreadable working directory fails every parse alike.
    const std::optional<std::string> current = GetCurrentDirectory();
    if (!current) return false;

    const InputParts parts = Split(input);
    const std::string last = Joined(parts.name, parts.extension);
    std::string directory(parts.directory);
    ParsedInput parsed;
    // The final component is the pattern whenever there is one, dot names included; "." and ".."
    // are directories, named with every file of theirs.
    if (last.empty() || last == ".") {
        parsed.szPattern = "*.*";
    } else if (last == "..") {
        directory += "../";
        parsed.szPattern = "*.*";
    } else {
        parsed.szPattern = last;
    }
    // A relative directory part is taken below the working directory, so every printed path is
    // absolute.
    parsed.szStartDir = !directory.empty() && directory.front() == '/'
                            ? directory
                            : DirectoryBelow(*current, directory);
    // The directory part follows the rule of names: as written when it is there, otherwise the
    // one directory whose components differ from it only in letter case.
    struct stat info {};
    if (::stat(parsed.szStartDir.c_str(), &info) != 0 && errno == ENOENT) {
        std::string resolved;
        if (MatchPathIgnoringCase(parsed.szStartDir, resolved) == CaseMatch::Found) {
            parsed.szStartDir = DirectoryBelow(resolved, "");
        }
    }
    result = std::move(parsed);
    return true;
}

}  // namespace quillmark
