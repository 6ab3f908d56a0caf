// read_ahead.h - a file read in a second thread into a small ring of buffers, handed out in order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

#include "platform/regular_file.h"

namespace quillmark {

// While the caller works on one buffer, the reader fills the next ones, so a pass over a large
// file costs about the longer of reading and processing rather than their sum.
class ReadAhead {
public:
    // Reads file from offset, bufferSize bytes at a time, until limit bytes have been read, the
    // file ends (a short buffer) or a read fails. The file must outlive this object.
    ReadAhead(const RegularFile& file, std::uint64_t offset, std::uint64_t limit,
              std::size_t bufferSize, std::size_t bufferCount);
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;
    // Stops the reader after the read it is in, if any, and joins it.
    ~ReadAhead();

    // The next buffer: short only at the end of the file, empty once nothing is left; nullopt for
    // a failed read, whose errno Error() gives. Valid until the next call.
    std::optional<std::span<const std::uint8_t>> Next();
    int Error() const { return m_error; }

private:
    struct Slot {
        std::uint8_t* data = nullptr;
        std::size_t size = 0;
        int error = 0;  // the errno of a failed read
    };

    void ReadLoop(std::uint64_t offset, std::uint64_t limit);

    const RegularFile& m_file;
    const std::size_t m_bufferSize;
    std::unique_ptr<std::uint8_t[]> m_memory;
    std::vector<Slot> m_slots;

    std::mutex m_mutex;
    std::condition_variable m_slotFreed;
    std::condition_variable m_slotFilled;
    // Counts of buffers since the start; slot i % size holds buffer i.
    std::uint64_t m_filled = 0;     // by the reader
    std::uint64_t m_handedOut = 0;  // to the caller
    std::uint64_t m_released = 0;   // by the caller, which keeps its last buffer until Next
    bool m_readerDone = false;
    bool m_stop = false;
    int m_error = 0;  // the caller's: the error of the failed buffer handed out

    std::thread m_reader;  // last: started once everything it uses is in place
};

}  // namespace quillmark
