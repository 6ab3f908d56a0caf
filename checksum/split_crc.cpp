// split_crc.cpp - ranges of one file checksummed on several threads and joined by CrcCombine.
#include "checksum/split_crc.h"

#include <libdeflate.h>

#include <memory>
#include <thread>
#include <vector>

#include "checksum/crc_combine.h"
#include "checksum/read_buffer.h"

namespace quillmark {

namespace {

constexpr std::uint64_t kSplitThreshold = 64ull << 20;

struct RangeResult {
    RawReadStatus status = RawReadStatus::Ok;
    std::uint32_t crc = 0;  // finished CRC of the range
    int error = 0;
};

void ChecksumRange(const RegularFile& file, std::uint64_t offset, std::uint64_t length,
                   SharedReadProgress& progress, RangeResult& result) {
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kReadAheadBufferSize);
    std::uint32_t crc = 0;
    while (length > 0) {
        const auto want = static_cast<std::size_t>(
            std::min<std::uint64_t>(length, kReadAheadBufferSize));
        int error = 0;
        const std::optional<std::size_t> got = file.ReadFullAt(buffer.get(), want, offset, error);
        if (!got || *got < want) {
            result = {RawReadStatus::ReadFailed, 0, got ? 0 : error};
            return;
        }
        crc = libdeflate_crc32(crc, buffer.get(), want);
        offset += want;
        length -= want;
        progress.bytes.fetch_add(want, std::memory_order_relaxed);
        if (progress.Cancelled()) {
            result = {RawReadStatus::Cancelled, 0, 0};
            return;
        }
    }
    result = {RawReadStatus::Ok, crc, 0};
}

}  // namespace

bool WorthSplitting(const RegularFile& file, unsigned threads) {
    return threads > 1 && file.Size() >= kSplitThreshold && file.IsCachedAt(0) &&
           file.IsCachedAt(file.Size() / 2);
}

RawRead CrcBinaryReadSplit(const RegularFile& file, std::uint64_t size, unsigned threads,
                           SharedReadProgress& progress) {
    if (threads < 1) threads = 1;
    // Ranges on whole buffers, the last taking the remainder.
    const std::uint64_t buffers = (size + kReadAheadBufferSize - 1) / kReadAheadBufferSize;
    const std::uint64_t perRange = (buffers + threads - 1) / threads * kReadAheadBufferSize;
    std::vector<std::uint64_t> offsets;
    for (std::uint64_t offset = 0; offset < size; offset += perRange) offsets.push_back(offset);
    std::vector<RangeResult> results(offsets.size());
    auto lengthOf = [&](std::size_t i) {
        return std::min(perRange, size - offsets[i]);
    };
    std::vector<std::thread> helpers;
    for (std::size_t i = 1; i < offsets.size(); ++i) {
        try {
            helpers.emplace_back(ChecksumRange, std::cref(file), offsets[i], lengthOf(i),
                                 std::ref(progress), std::ref(results[i]));
        } catch (const std::system_error&) {
            // No thread to be had: this one takes the range after its own.
            ChecksumRange(file, offsets[i], lengthOf(i), progress, results[i]);
        }
    }
    if (!offsets.empty()) ChecksumRange(file, 0, lengthOf(0), progress, results[0]);
    for (std::thread& helper : helpers) helper.join();

    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].status != RawReadStatus::Ok) {
            return {results[i].status, 0, results[i].error};
        }
        crc = i == 0 ? results[i].crc : CrcCombine(crc, results[i].crc, lengthOf(i));
    }
    return {RawReadStatus::Ok, ~crc};
}

namespace {

class SharedProgressAdapter : public ReadProgress {
public:
    explicit SharedProgressAdapter(SharedReadProgress& shared) : m_shared(shared) {}
    bool OnBytesRead(std::uint64_t bytes) override {
        m_shared.bytes.fetch_add(bytes, std::memory_order_relaxed);
        return !m_shared.Cancelled();
    }

private:
    SharedReadProgress& m_shared;
};

}  // namespace

CrcResult ComputeFileCrcShared(const CrcTable& table, RegularFile& file, ReadMode mode,
                               SharedReadProgress& progress, unsigned threads) {
    if (mode != ReadMode::Binary || !WorthSplitting(file, threads)) {
        SharedProgressAdapter adapter(progress);
        return table.ComputeFileCrc(file, mode, &adapter);
    }
    const std::uint64_t size = file.Size();
    const RawRead read = CrcBinaryReadSplit(file, size, threads, progress);
    switch (read.status) {
        case RawReadStatus::Ok:
            if (!file.Unchanged()) return {CrcStatus::Changed, 0, size};
            return {CrcStatus::Ok, ~read.reg, size};
        case RawReadStatus::Cancelled:
            return {CrcStatus::Cancelled, 0, size};
        default:
            // A range that ended early is a file that shrank after it was opened.
            if (read.error == 0) return {CrcStatus::Changed, 0, size};
            return {CrcStatus::Unreadable, 0, size, read.error};
    }
}

}  // namespace quillmark
