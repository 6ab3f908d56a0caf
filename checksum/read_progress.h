// read_progress.h - what a checksum pass reports while it reads: the bytes read, added up safely
// from any number of threads, and a request to stop.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace quillmark {

struct ReadProgress {
    std::atomic<std::uint64_t> bytes{0};
    // One file's progress can count into a run's total as well.
    ReadProgress* total = nullptr;
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

}  // namespace quillmark
