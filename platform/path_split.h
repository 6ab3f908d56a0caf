// path_split.h - a path split at its last '/' into the directory that holds its final component
// and that component.
#pragma once

#include <string_view>

namespace quillmark {

struct SplitPath {
    std::string_view directory;  // up to and with the last '/', empty when there is none
    std::string_view name;       // everything after it
};

inline SplitPath SplitAtLastSlash(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace quillmark
