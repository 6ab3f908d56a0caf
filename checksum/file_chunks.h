// file_chunks.h - a checksum pass's view of a range of a file as successive buffers, read ahead in
// a second thread when the range is a whole large file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "checksum/read_buffer.h"
#include "platform/read_ahead.h"
#include "platform/regular_file.h"

namespace quillmark {

class FileChunks {
public:
    // Reads at most length bytes of file from offset, by offset, so several threads may read
    // ranges of one file at once. readAhead: the range is the pass's only one, worth a reader
    // thread when it is large. The file must outlive this object; destroying it early stops and
    // joins the reader thread, if there is one.
    FileChunks(const RegularFile& file, std::uint64_t offset, std::uint64_t length, bool readAhead);
    FileChunks(const FileChunks&) = delete;
    FileChunks& operator=(const FileChunks&) = delete;
    ~FileChunks() {
        m_readAhead.reset();
        GiveBackReadMemory(m_ringBudget);
    }

    // The size of a full buffer; a shorter one means the file has ended.
    std::size_t BufferSize() const { return m_bufferSize; }
    // The next BufferSize() bytes, fewer at the end of the range or of the file, empty after it;
    // nullopt when a read fails, with its errno in Error(). Valid until the next call.
    std::optional<std::span<const std::uint8_t>> Next();
    int Error() const { return m_readAhead ? m_readAhead->Error() : m_error; }

private:
    const RegularFile& m_file;
    std::uint64_t m_offset;
    std::uint64_t m_left;
    std::size_t m_bufferSize = 0;
    int m_error = 0;
    ReadBuffer m_buffer;
    std::size_t m_ringBudget = 0;  // the read-ahead ring's share of the budget
    std::optional<ReadAhead> m_readAhead;
};

}  // namespace quillmark
