// read_buffer.cpp - read buffers and the budget their memory comes out of.
#include "checksum/read_buffer.h"

#include <algorithm>
#include <atomic>
#include <utility>

namespace quillmark {

namespace {
std::atomic<std::size_t> g_readMemoryInUse{0};
}  // namespace

std::size_t TakeReadMemory(std::size_t wanted, bool whole) {
    std::size_t inUse = g_readMemoryInUse.load(std::memory_order_relaxed);
    for (;;) {
        const std::size_t left = kReadMemoryBudget - std::min(inUse, kReadMemoryBudget);
        const std::size_t taken = std::min(wanted, left);
        if (taken == 0 || (whole && taken < wanted)) return 0;
        if (g_readMemoryInUse.compare_exchange_weak(inUse, inUse + taken,
                                                    std::memory_order_relaxed)) {
            return taken;
        }
    }
}

void GiveBackReadMemory(std::size_t taken) {
    if (taken != 0) g_readMemoryInUse.fetch_sub(taken, std::memory_order_relaxed);
}

std::size_t ReadMemoryInUse() { return g_readMemoryInUse.load(std::memory_order_relaxed); }

ReadBuffer::ReadBuffer(ReadBuffer&& other) noexcept
    : data(std::move(other.data)),
      size(std::exchange(other.size, 0)),
      budgeted(std::exchange(other.budgeted, 0)) {}

ReadBuffer& ReadBuffer::operator=(ReadBuffer&& other) noexcept {
    if (this != &other) {
        GiveBackReadMemory(budgeted);
        data = std::move(other.data);
        size = std::exchange(other.size, 0);
        budgeted = std::exchange(other.budgeted, 0);
    }
    return *this;
}

ReadBuffer AllocateReadBuffer(std::size_t wanted) {
    ReadBuffer buffer;
    buffer.size = std::min(wanted, kSmallestReadBuffer);
    if (wanted > kSmallestReadBuffer) {
        buffer.budgeted = TakeReadMemory(wanted - kSmallestReadBuffer, false);
        buffer.size += buffer.budgeted;
    }
    buffer.data = std::make_unique_for_overwrite<std::uint8_t[]>(buffer.size);
    return buffer;
}

}  // namespace quillmark
