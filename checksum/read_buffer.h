// read_buffer.h - the buffer a checksum pass reads a file through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quillmark {

// Large enough that a read call and a progress report come once per 256 KiB, small enough to stay
// in the processor's cache between read() filling it and the CRC reading it.
inline constexpr std::size_t kReadBufferSize = 256 * 1024;

// Past this many bytes a pass reads in a second thread while it checksums; below it, starting a
// thread would cost more than the overlap saves.
inline constexpr std::uint64_t kReadAheadThreadThreshold = 8 << 20;
// Larger buffers for the read-ahead ring: each hand-over between the threads can cost a wake-up,
// and below 1 MiB those cost more than the cache-resident smaller buffers save.
inline constexpr std::size_t kReadAheadBufferSize = 1 << 20;
inline constexpr std::size_t kReadAheadBufferCount = 4;

struct ReadBuffer {
    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
};

// A buffer no larger than a file of fileSize bytes needs (plus one byte, to see its end in one
// read), so that checksumming many small files does not allocate and fault in the full size.
inline ReadBuffer AllocateReadBuffer(std::uint64_t fileSize) {
    constexpr std::size_t kSmallest = 4096;
    std::size_t size = kReadBufferSize;
    if (fileSize < kReadBufferSize) {
        size = static_cast<std::size_t>(fileSize) + 1;
        if (size < kSmallest) size = kSmallest;
    }
    return {std::make_unique_for_overwrite<std::uint8_t[]>(size), size};
}

}  // namespace quillmark
