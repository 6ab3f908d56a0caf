// scratch_file.cpp - an unlinked temporary file written in large pieces and read back with pread.
#include "platform/scratch_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/posix_io.h"

namespace quillmark {

namespace {

constexpr std::size_t kPieceSize = 256 * 1024;

int CreateUnnamedFile() {
    const char* tmp = std::getenv("TMPDIR");
    const std::string directory = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    const int fd = ::open(directory.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) return fd;
    // File systems without unnamed files: a named one, removed at once.
    std::string name = directory + "/quillmark-XXXXXX";
    const int named = ::mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) ::unlink(name.c_str());
    return named;
}

}  // namespace

ScratchFile::ScratchFile() : m_fd(CreateUnnamedFile()) {}

void ScratchFile::Flush() {
    if (!m_fd.IsOpen() || m_diskFailed || m_pending.empty()) return;
    const WriteOutcome outcome = WriteAll(m_fd.Get(), m_pending);
    // What reached the disk stays there; the rest stays here, and so does all that follows.
    m_onDisk += static_cast<off_t>(outcome.written);
    m_pending.erase(0, outcome.written);
    m_diskFailed = !outcome.Whole();
}

void ScratchFile::Append(std::string_view bytes) {
    m_pending.append(bytes);
    if (m_pending.size() >= kPieceSize) Flush();
}

bool ScratchFile::ForEachPiece(const std::function<bool(std::string_view)>& visit) {
    Flush();
    std::vector<char> buffer(m_onDisk > 0 ? kPieceSize : 0);
    for (off_t offset = 0; offset < m_onDisk;) {
        const auto wanted = static_cast<std::size_t>(
            std::min<off_t>(static_cast<off_t>(buffer.size()), m_onDisk - offset));
        const ssize_t got = ::pread(m_fd.Get(), buffer.data(), wanted, offset);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        offset += got;
        if (!visit(std::string_view(buffer.data(), static_cast<std::size_t>(got)))) return true;
    }
    if (!m_pending.empty()) visit(m_pending);
    return true;
}

}  // namespace quillmark
