// descriptor_sink.cpp - the screen destination of the command line: standard output, buffered.
#include "cli/descriptor_sink.h"

#include <unistd.h>

#include <cerrno>

#include "platform/posix_io.h"

namespace quillmark {

DescriptorSink::DescriptorSink(int fd, bool flushEachWrite)
    : m_fd(fd), m_flushEachWrite(flushEachWrite) {
    m_buffer.reserve(kBufferSize);
}

bool DescriptorSink::Write(std::string_view text) {
    if (Failed()) return false;
    m_buffer.append(text);
    // A text ends at a line end; text cut short of one is part of the next.
    if (!m_buffer.empty() && m_buffer.back() == '\n') m_recordEnds.push_back(m_buffer.size());
    if (m_flushEachWrite || m_buffer.size() >= kBufferSize) return Flush();
    return true;
}

bool DescriptorSink::Flush() {
    if (Failed()) return false;
    if (m_buffer.empty()) return true;
    if (m_beforeOutput) m_beforeOutput();
    const WriteOutcome outcome = WriteRecords(m_fd, m_buffer, m_recordEnds);
    m_buffer.clear();
    m_recordEnds.clear();
    if (!outcome.Whole()) {
        m_errno = outcome.error;
        return false;
    }
    if (m_afterOutput) m_afterOutput();
    return true;
}

}  // namespace quillmark
