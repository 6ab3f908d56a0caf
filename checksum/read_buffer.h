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

// Every read gets a buffer of at least this size; what its buffers hold beyond it comes out of a
// budget shared by all reads in flight, so that however many run at once (256 at most) their
// buffers stay within 64 MiB together.
inline constexpr std::size_t kSmallestReadBuffer = 16 * 1024;
inline constexpr std::size_t kReadMemoryBudget = (64 << 20) - 256 * kSmallestReadBuffer;

// Up to wanted bytes of the budget (all of them or none when whole is set); what was taken goes
// back with GiveBackReadMemory.
std::size_t TakeReadMemory(std::size_t wanted, bool whole);
void GiveBackReadMemory(std::size_t taken);
// The budget in use now.
std::size_t ReadMemoryInUse();

struct ReadBuffer {
    ReadBuffer() = default;
    ReadBuffer(ReadBuffer&& other) noexcept;
    ReadBuffer& operator=(ReadBuffer&& other) noexcept;
    ~ReadBuffer() { GiveBackReadMemory(budgeted); }

    std::unique_ptr<std::uint8_t[]> data;
    std::size_t size = 0;
    std::size_t budgeted = 0;  // of size, what came out of the shared budget
};

// A buffer of wanted bytes, or less when the budget is short (never less than the smallest).
ReadBuffer AllocateReadBuffer(std::size_t wanted);

// A buffer no larger than a file of fileSize bytes needs (plus one byte, to see its end in one
// read), so that checksumming many small files does not allocate and fault in the full size.
inline ReadBuffer AllocateFileBuffer(std::uint64_t fileSize) {
    constexpr std::size_t kSmallest = 4096;
    std::size_t size = kReadBufferSize;
    if (fileSize < kReadBufferSize) {
        size = static_cast<std::size_t>(fileSize) + 1;
        if (size < kSmallest) size = kSmallest;
    }
    return AllocateReadBuffer(size);
}

}  // namespace quillmark
