// path_services.h - the working directory and path pieces, as the program needs them.
#pragma once

#include <optional>
#include <string>

namespace quillmark {

// The current working directory, absolute, without a trailing '/' except for "/" itself.
std::optional<std::string> GetCurrentDirectory();
// Makes path the working directory; false when it cannot.
bool ChangeDirectory(const std::string& path);

}  // namespace quillmark
