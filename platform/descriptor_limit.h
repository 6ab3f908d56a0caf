// descriptor_limit.h - how many file descriptors the process may still open.
#pragma once

#include <cstddef>

namespace quillmark {

// Raises the soft limit on open descriptors to the hard one (once per process: a walk may hold
// many directories and files open at once), then counts how many more may be opened now.
std::size_t FreeDescriptors();

}  // namespace quillmark
