// file_chunks.cpp - the choice between reading in the calling thread and reading ahead.
#include "checksum/file_chunks.h"

#include <algorithm>
#include <system_error>

namespace quillmark {

FileChunks::FileChunks(RegularFile& file, std::uint64_t limit) : m_file(file), m_left(limit) {
    const std::uint64_t toRead = std::min(limit, file.Size());
    if (toRead > kReadAheadThreadThreshold) {
        try {
            m_readAhead.emplace(file, limit, kReadAheadBufferSize, kReadAheadBufferCount);
            m_bufferSize = kReadAheadBufferSize;
            return;
        } catch (const std::system_error&) {
            // No thread to be had: nothing has been read yet, so read in this one.
        }
    }
    m_buffer = AllocateReadBuffer(toRead);
    m_bufferSize = m_buffer.size;
}

std::optional<std::span<const std::uint8_t>> FileChunks::Next() {
    if (m_readAhead) return m_readAhead->Next();
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, m_buffer.size));
    const std::optional<std::size_t> got = m_file.ReadFull(m_buffer.data.get(), want);
    if (!got) return std::nullopt;
    m_left -= *got;
    return std::span<const std::uint8_t>(m_buffer.data.get(), *got);
}

}  // namespace quillmark
