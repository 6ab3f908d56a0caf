// file_sink.cpp - buffered appending to the output file with CR LF line ends.
#include "processing/file_sink.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix_io.h"

namespace quillmark {

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;

}  // namespace

FileSink::~FileSink() { Close(); }

bool FileSink::Open(const std::string& path, bool regularOnly) {
    Close();
    // O_APPEND puts every write at the file's end, also after another writer has added to it.
    // O_NONBLOCK keeps the open of a FIFO from waiting for a reader; the type check follows.
    m_fd = ::open(path.c_str(),
                  O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | (regularOnly ? O_NONBLOCK : 0), 0666);
    if (m_fd >= 0 && regularOnly) {
        struct stat info {};
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(m_fd);
            m_fd = -1;
        } else {
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK);
        }
    }
    m_failed = false;
    m_buffer.clear();
    m_buffer.reserve(kBufferSize + 2);
    m_recordEnds.clear();
    return m_fd >= 0;
}

bool FileSink::Write(std::string_view text) {
    if (m_fd < 0 || m_failed) return false;
    // The whole text goes into the buffer before any of it is written, so a result is never
    // split between two writes: another run appending to the same file cannot land inside it.
    while (!text.empty()) {
        const std::size_t lineFeed = text.find('\n');
        const std::string_view run = text.substr(0, lineFeed);
        m_buffer.append(run);
        if (lineFeed != std::string_view::npos) {
            m_buffer += "\r\n";
            text.remove_prefix(lineFeed + 1);
        } else {
            text = {};
        }
    }
    // A result ends at a line end; text cut short of one is part of the next result.
    if (!m_buffer.empty() && m_buffer.back() == '\n') m_recordEnds.push_back(m_buffer.size());
    return m_buffer.size() < kBufferSize || Flush();
}

std::optional<FileIdentity> FileSink::Identity() const {
    if (m_fd < 0) return std::nullopt;
    return IdentityOfDescriptor(m_fd);
}

bool FileSink::Flush() {
    if (m_fd < 0 || m_failed) return false;
    const bool written = WriteRecords(m_fd, m_buffer, m_recordEnds).Whole();
    m_buffer.clear();
    m_recordEnds.clear();
    if (!written) m_failed = true;
    return written;
}

bool FileSink::Close() {
    if (m_fd < 0) return true;
    const bool flushed = !m_failed && Flush();
    ::close(m_fd);
    m_fd = -1;
    return flushed;
}

}  // namespace quillmark
