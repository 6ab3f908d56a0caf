// file_chunks.h - a checksum pass's view of a file as successive buffers, read ahead in a second
// thread when the file is large.
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
    // Reads at most limit bytes of file from its current position. The file must outlive this
    // object; destroying it early stops and joins the reader thread, if there is one.
    FileChunks(RegularFile& file, std::uint64_t limit);

    // The size of a full buffer; a shorter one means the file has ended.
    std::size_t BufferSize() const { return m_bufferSize; }
    // The next BufferSize() bytes, fewer at the limit or the end of the file, empty after it;
    // nullopt when a read fails. Valid until the next call.
    std::optional<std::span<const std::uint8_t>> Next();

private:
    RegularFile& m_file;
    std::uint64_t m_left;
    std::size_t m_bufferSize = 0;
    ReadBuffer m_buffer;
    std::optional<ReadAhead> m_readAhead;
};

}  // namespace quillmark
