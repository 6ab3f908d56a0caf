// atomic_file_write.h - replacing a file whole or not at all: temporary file, fsync, rename.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

// Writes the bytes into a fresh file next to path, flushes it to the disk and renames it over
// path. On any failure the temporary file is removed and path is left exactly as it was (errno
// says why). When path is a link, its target is replaced and the link stays; a link in a shared
// sticky directory (/tmp) is followed only when it belongs to the user or to the directory's
// owner. A regular file the user may not write is not replaced.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace quillmark
