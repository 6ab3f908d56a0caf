// input_parsing.h - splitting an input specification into a start directory and a file pattern.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

struct ParsedInput {
    std::string szPattern;   // one path component, never empty after a successful parse
    std::string szStartDir;  // absolute, ends in '/'; spelt as on disk when only case differs
};

// "~/..." with the home directory ($HOME) in place of "~"; any other text, and any text when
// HOME is unset or not absolute, as it is. "~user/" is not expanded.
std::string ExpandHome(std::string_view path);

// False (result untouched) when the current directory cannot be read.
bool ParseInputSpec(std::string_view input, ParsedInput& result);

}  // namespace quillmark
