// posix_io.cpp - the loops every caller of read and write would otherwise repeat.
#include "platform/posix_io.h"

#include <unistd.h>

#include <cerrno>

namespace quillmark {

WriteOutcome WriteAll(int fd, std::string_view bytes, off_t* startOffset) {
    WriteOutcome outcome;
    while (outcome.written < bytes.size()) {
        const ssize_t done =
            ::write(fd, bytes.data() + outcome.written, bytes.size() - outcome.written);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            outcome.error = done < 0 ? errno : EIO;
            return outcome;
        }
        if (startOffset != nullptr && outcome.written == 0) {
            const off_t end = ::lseek(fd, 0, SEEK_CUR);
            if (end >= done) *startOffset = end - done;
        }
        outcome.written += static_cast<std::size_t>(done);
    }
    return outcome;
}

std::optional<std::string> ReadAll(int fd, std::size_t limit) {
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) return contents;
        if (contents.size() + static_cast<std::size_t>(got) > limit) return std::nullopt;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace quillmark
