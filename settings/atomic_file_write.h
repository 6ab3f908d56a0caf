// atomic_file_write.h - replacing a file whole or not at all: temporary file, fsync, rename.
#pragma once

#include <string>
#include <string_view>

namespace quillmark {

// Writes every byte to the descriptor, retrying short writes and EINTR; false on any error
// (ENOSPC on a full disk, EFBIG past the file size limit, EIO).
bool WriteAllToDescriptor(int fd, std::string_view bytes);

// Writes the bytes into a fresh file next to path, flushes it to the disk and renames it over
// path. On any failure the temporary file is removed and path is left exactly as it was.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace quillmark
