// descriptor_sink.cpp - the screen destination of the command line: standard output, buffered.
#include "cli/descriptor_sink.h"

#include <unistd.h>

#include <cerrno>

namespace quillmark {

DescriptorSink::DescriptorSink(int fd, bool flushEachWrite)
    : m_fd(fd), m_flushEachWrite(flushEachWrite) {
    m_buffer.reserve(kBufferSize);
}

bool DescriptorSink::Write(std::string_view text) {
    if (Failed()) return false;
    m_buffer.append(text);
    if (m_flushEachWrite || m_buffer.size() >= kBufferSize) return Flush();
    return true;
}

bool DescriptorSink::Flush() {
    if (Failed()) return false;
    if (m_buffer.empty()) return true;
    if (m_beforeOutput) m_beforeOutput();
    std::string_view rest = m_buffer;
    while (!rest.empty()) {
        const ssize_t written = ::write(m_fd, rest.data(), rest.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            m_errno = written < 0 ? errno : EIO;
            m_buffer.clear();
            return false;
        }
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    m_buffer.clear();
    if (m_afterOutput) m_afterOutput();
    return true;
}

}  // namespace quillmark
