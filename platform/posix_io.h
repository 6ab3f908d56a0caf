// posix_io.h - whole reads and writes on descriptors, through signals and short transfers.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// Writes bytes made of whole records, the n-th ending at recordEnds[n] (ascending). When the
// writes stop part-way on a regular file, the file is cut back to the end of the last whole
// record among the bytes that reached it, but only while the file still ends exactly where those
// bytes ended: anything another writer appended after them stays, and then so does the piece.
WriteOutcome WriteRecords(int fd, std::string_view bytes,
                          const std::vector<std::size_t>& recordEnds);

// One read of up to size bytes, retried after a signal: the bytes read, 0 at the end of the file,
// or -1 with errno set.
ssize_t ReadRetryingSignals(int fd, char* buffer, std::size_t size);

// Reads until the end of the file; nullopt on a read error or past limit bytes.
std::optional<std::string> ReadAll(int fd, std::size_t limit);

}  // namespace quillmark
