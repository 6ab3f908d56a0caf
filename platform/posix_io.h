// posix_io.h - whole reads and writes on descriptors, through signals and short transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quillmark {

struct WriteOutcome {
    std::size_t written = 0;  // bytes that reached the descriptor, also after a failure
    int error = 0;            // errno of the failure (EIO for a write of nothing); 0 when whole
    bool Whole() const { return error == 0; }
};

// Writes every byte, retrying after signals and short writes. When startOffset is given it
// receives the file offset at which the first write that put bytes in placed them, taken from
// that write itself (for an O_APPEND file: exact even when another writer appended just before),
// or stays untouched when no write did.
WriteOutcome WriteAll(int fd, std::string_view bytes, off_t* startOffset = nullptr);

// Reads until the end of the file; nullopt on a read error or past limit bytes.
std::optional<std::string> ReadAll(int fd, std::size_t limit);

}  // namespace quillmark
