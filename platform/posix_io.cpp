// posix_io.cpp - the loops every caller of read and write would otherwise repeat.
#include "platform/posix_io.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

WriteOutcome WriteRecords(int fd, std::string_view bytes,
                          const std::vector<std::size_t>& recordEnds) {
    off_t began = -1;
    const WriteOutcome outcome = WriteAll(fd, bytes, &began);
    if (outcome.Whole() || outcome.written == 0 || began < 0) return outcome;
    // The bytes that got in are contiguous only when the file ends right after them; had
    // another writer appended in between, the file would be longer.
    struct stat info {};
    const off_t partialEnd = began + static_cast<off_t>(outcome.written);
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != partialEnd) {
        return outcome;
    }
    const auto after = std::upper_bound(recordEnds.begin(), recordEnds.end(), outcome.written);
    const std::size_t whole = after == recordEnds.begin() ? 0 : *(after - 1);
    if (whole == outcome.written) return outcome;
    const off_t keptEnd = began + static_cast<off_t>(whole);
    if (::ftruncate(fd, keptEnd) == 0) {
        // A descriptor without O_APPEND would write its next bytes past a hole (a shell writing
        // after this program into the same standard output).
        static_cast<void>(::lseek(fd, keptEnd, SEEK_SET));
    }
    return outcome;
}

ssize_t ReadRetryingSignals(int fd, char* buffer, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0 || errno != EINTR) return got;
    }
}

std::optional<std::string> ReadAll(int fd, std::size_t limit) {
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ReadRetryingSignals(fd, buffer, sizeof buffer);
        if (got < 0) return std::nullopt;
        if (got == 0) return contents;
        if (contents.size() + static_cast<std::size_t>(got) > limit) return std::nullopt;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace quillmark
