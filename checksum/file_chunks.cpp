// file_chunks.cpp - the choice between reading in the calling thread and reading ahead.
#include "checksum/file_chunks.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace quillmark {

FileChunks::FileChunks(const RegularFile& file, std::uint64_t offset, std::uint64_t length,
                       bool readAhead)
    : m_file(file), m_offset(offset), m_left(length) {
    constexpr std::size_t kRing = kReadAheadBufferSize * kReadAheadBufferCount;
    // The ring comes out of the shared budget whole, or the file is read without it.
    if (readAhead && length > kReadAheadThreadThreshold &&
        (m_ringBudget = TakeReadMemory(kRing, true)) != 0) {
        try {
            m_readAhead.emplace(file, offset, length, kReadAheadBufferSize, kReadAheadBufferCount);
            m_bufferSize = kReadAheadBufferSize;
            return;
        } catch (const std::system_error&) {
            // No thread to be had: nothing has been read yet, so read in this one.
        }
        GiveBackReadMemory(std::exchange(m_ringBudget, 0));
    }
    // A range of a split file is in the page cache: larger buffers spare calls there.
    m_buffer = readAhead ? AllocateFileBuffer(length) : AllocateReadBuffer(kReadAheadBufferSize);
    m_bufferSize = m_buffer.size;
}

std::optional<std::span<const std::uint8_t>> FileChunks::Next() {
    if (m_readAhead) return m_readAhead->Next();
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, m_buffer.size));
    const std::optional<std::size_t> got =
        m_file.ReadFullAt(m_buffer.data.get(), want, m_offset, m_error);
    if (!got) return std::nullopt;
    m_offset += *got;
    m_left -= *got;
    return std::span<const std::uint8_t>(m_buffer.data.get(), *got);
}

}  // namespace quillmark
