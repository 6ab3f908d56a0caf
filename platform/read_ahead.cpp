// read_ahead.cpp - the reader thread and the hand-over of filled buffers to the caller.
#include "platform/read_ahead.h"

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "platform/blocking_calls.h"

namespace quillmark {

namespace {
constexpr auto kReaderWakeInterval = std::chrono::milliseconds(50);
}  // namespace

ReadAhead::ReadAhead(const RegularFile& file, std::uint64_t offset, std::uint64_t limit,
                     std::size_t bufferSize, std::size_t bufferCount)
    : m_file(file),
      m_bufferSize(bufferSize),
      m_memory(std::make_unique_for_overwrite<std::uint8_t[]>(bufferSize * bufferCount)),
      m_slots(bufferCount) {
    for (std::size_t i = 0; i < bufferCount; ++i) m_slots[i].data = m_memory.get() + i * bufferSize;
    m_reader = std::thread(StoppableThreadBody([this, offset, limit] {
        ReadLoop(offset, limit);
        {
            std::lock_guard lock(m_mutex);
            m_readerDone = true;
        }
        m_slotFilled.notify_all();
    }));
}

ReadAhead::~ReadAhead() {
    std::unique_lock lock(m_mutex);
    m_stop = true;
    m_slotFreed.notify_one();
    // A reader blocked on a device that lets the wait be interrupted is woken until it gives up.
    while (!m_readerDone) {
        WakeThread(m_reader.native_handle());
        m_slotFilled.wait_for(lock, kReaderWakeInterval, [&] { return m_readerDone; });
    }
    lock.unlock();
    m_reader.join();
}

void ReadAhead::ReadLoop(std::uint64_t offset, std::uint64_t limit) {
    const std::uint64_t slotCount = m_slots.size();
    for (std::uint64_t index = 0; limit > 0; ++index) {
        {
            std::unique_lock lock(m_mutex);
            m_slotFreed.wait(lock, [&] { return m_stop || index - m_released < slotCount; });
            if (m_stop) return;
        }
        // The slot is the reader's alone until it is counted as filled below.
        Slot& slot = m_slots[index % slotCount];
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(limit, m_bufferSize));
        slot.error = 0;
        const std::optional<std::size_t> got =
            m_file.ReadFullAt(slot.data, want, offset, slot.error);
        slot.size = got.value_or(0);
        {
            std::lock_guard lock(m_mutex);
            ++m_filled;
        }
        m_slotFilled.notify_one();
        if (!got || *got < want) return;
        offset += want;
        limit -= want;
    }
}

std::optional<std::span<const std::uint8_t>> ReadAhead::Next() {
    std::unique_lock lock(m_mutex);
    if (m_released != m_handedOut) {
        m_released = m_handedOut;
        m_slotFreed.notify_one();
    }
    // While the reader waits on the device, the work this read is for may stop.
    while (!m_slotFilled.wait_for(lock, kReaderWakeInterval,
                                  [&] { return m_filled > m_handedOut || m_readerDone; })) {
        if (CallStopRequested()) {
            m_error = EINTR;
            return std::nullopt;
        }
    }
    if (m_filled == m_handedOut) return std::span<const std::uint8_t>();
    const Slot& slot = m_slots[m_handedOut++ % m_slots.size()];
    if (slot.error != 0) {
        m_error = slot.error;
        return std::nullopt;
    }
    return std::span<const std::uint8_t>(slot.data, slot.size);
}

}  // namespace quillmark
