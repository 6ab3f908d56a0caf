// path_services.h - the working directory: where relative inputs and settings.dat are found. The
// walk never changes it (it works through directory descriptors).
#pragma once

#include <optional>
#include <string>

namespace quillmark {

// The current working directory, absolute, without a trailing '/' except for "/" itself.
std::optional<std::string> GetCurrentDirectory();
// Makes path the working directory; false when it cannot.
bool ChangeDirectory(const std::string& path);

}  // namespace quillmark
