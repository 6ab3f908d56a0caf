// case_insensitive_path.h - finding the one file whose name matches a path in every component
// when letter case (A-Z against a-z) is ignored.
#pragma once

#include <fcntl.h>

#include <string>
#include <string_view>

namespace quillmark {

enum class CaseMatch { Found, None, Several };

// Walks path a component at a time, relative to the directory base (AT_FDCWD: the working
// directory) unless it is absolute, so a path of any length works. A component that exists exactly
// as written is taken as it is; otherwise the directory is read for names equal to it ignoring
// ASCII case. Found sets resolved to the path with each component as the file system spells it.
CaseMatch MatchPathIgnoringCase(std::string_view path, std::string& resolved, int base = AT_FDCWD);

}  // namespace quillmark
