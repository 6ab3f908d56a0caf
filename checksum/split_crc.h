// split_crc.h - the binary CRC-32 of one large file computed in ranges on several threads.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>

#include "checksum/crc_table.h"
#include "platform/regular_file.h"

namespace quillmark {

// Progress told from several threads at once: bytes are added up and the cancel flag read
// atomically, never through a front end.
struct SharedReadProgress {
    std::atomic<std::uint64_t> bytes{0};
    // One file's progress can count into a run's total as well.
    SharedReadProgress* total = nullptr;
    const std::atomic<bool>* cancel = nullptr;
    // Asked between buffers by the thread that began the read (never by a helper thread), when
    // that thread has a front end to keep informed: false stops the read on every thread.
    std::function<bool()> poll;
    std::atomic<bool> stopped{false};

    void Add(std::uint64_t count) {
        bytes.fetch_add(count, std::memory_order_relaxed);
        if (total != nullptr) total->bytes.fetch_add(count, std::memory_order_relaxed);
    }

    bool Cancelled() const {
        return stopped.load(std::memory_order_relaxed) ||
               (cancel != nullptr && cancel->load(std::memory_order_relaxed));
    }
    // After a buffer: polls when on the thread that began the read; false once the read is to
    // stop.
    bool KeepGoing(bool beganTheRead) {
        if (beganTheRead && poll && !poll()) stopped = true;
        return !Cancelled();
    }
};

// Worth splitting: a file this large, when its first and middle bytes are in the page cache, is
// limited by one core's CRC speed rather than by the device; a cold file keeps one sequential
// read, which is what a rotating disk needs.
bool WorthSplitting(const RegularFile& file, unsigned threads);

// The raw CRC register of exactly size bytes of file, each of `threads` ranges read by pread in
// its own thread (the calling thread takes the first) and the results combined. Status as
// CrcBinaryRead: ReadFailed with error 0 when the file turned out shorter than size.
RawRead CrcBinaryReadSplit(const RegularFile& file, std::uint64_t size, unsigned threads,
                           SharedReadProgress& progress);

// The text pass over exactly size bytes of file in ranges on `threads` threads: each range is
// converted on its own, starting from the one byte before it that the conversion depends on, and
// the results are joined in order up to the first Ctrl-Z. Statuses as CrcTextRead's; in UnixLf
// mode the first CR LF pair or Ctrl-Z proves the count wrong, and every range stops there.
// Each range also checksums the bytes it read as they are: when the count is wrong after every
// byte was read (LF text in ASCII mode), *binary receives what CrcBinaryReadSplit would give, so
// the file need not be read twice; it is left empty when a range stopped early.
RawRead CrcTextReadSplit(const RegularFile& file, std::uint64_t size, ReadMode mode,
                         unsigned threads, SharedReadProgress& progress,
                         std::optional<RawRead>* binary = nullptr);

// ComputeFileCrc for a caller that may be one of several threads: progress goes to the shared
// counters, and a large cached file in binary mode is split over `threads` threads.
CrcResult ComputeFileCrcShared(const CrcTable& table, RegularFile& file, ReadMode mode,
                               SharedReadProgress& progress, unsigned threads);

}  // namespace quillmark
