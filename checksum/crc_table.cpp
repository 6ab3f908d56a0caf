// crc_table.cpp - the CRC-32 table, a file's passes made of range reads, and the choice between
// the text and binary passes.
#include "checksum/crc_table.h"

#include <algorithm>
#include <functional>
#include <system_error>
#include <thread>
#include <vector>

#include "checksum/crc_combine.h"
#include "checksum/range_pass.h"
#include "checksum/read_buffer.h"
#include "platform/blocking_calls.h"

namespace quillmark {

CrcTable::CrcTable() {
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) ? (value >> 1) ^ 0xEDB88320u : value >> 1;
        }
        m_table[i] = value;
    }
}

namespace {

// Below this a file is read in one range: a cached file this large is limited by one core's CRC
// speed rather than by the device, and smaller ones are done before threads would start.
constexpr std::uint64_t kSplitThreshold = 64ull << 20;

// How many ranges a pass reads: several only when the file is large and its first and middle
// bytes are in the page cache; a cold file keeps one sequential read, which is what a rotating
// disk needs.
unsigned RangeCount(const RegularFile& file, std::uint64_t size, unsigned threads) {
    if (threads <= 1 || size < kSplitThreshold || !file.IsCachedAt(0) ||
        !file.IsCachedAt(size / 2)) {
        return 1;
    }
    return threads;
}

// Ranges on whole buffers, the last taking the remainder.
std::vector<FileRange> PlanRanges(std::uint64_t size, unsigned parts) {
    const std::uint64_t buffers = (size + kReadAheadBufferSize - 1) / kReadAheadBufferSize;
    const std::uint64_t perRange = std::max<std::uint64_t>(
        (buffers + parts - 1) / parts * kReadAheadBufferSize, kReadAheadBufferSize);
    std::vector<FileRange> ranges;
    for (std::uint64_t offset = 0; offset < size; offset += perRange) {
        ranges.push_back({offset, std::min(perRange, size - offset), size});
    }
    if (ranges.empty()) ranges.push_back({0, 0, 0});
    return ranges;
}

// Every range of a pass read, the first on the calling thread, the others on threads of their own
// (or, with none to be had, on the calling thread after its own).
std::vector<RangeResult> ReadRanges(const RegularFile& file, std::uint64_t size, ReadMode mode,
                                    ReadProgress& progress, unsigned parts) {
    const std::vector<FileRange> ranges = PlanRanges(size, parts);
    std::vector<RangeResult> results(ranges.size());
    std::atomic<bool> countWrong{false};
    const bool alone = ranges.size() == 1;
    auto work = [&](std::size_t i) {
        results[i] = ChecksumRange(file, ranges[i], mode, progress, i == 0, alone, countWrong);
    };
    std::vector<std::thread> helpers;
    std::vector<std::size_t> leftOver;
    for (std::size_t i = 1; i < ranges.size(); ++i) {
        try {
            helpers.emplace_back(StoppableThreadBody([&work, i] { work(i); }));
        } catch (const std::system_error&) {
            leftOver.push_back(i);
        }
    }
    work(0);
    for (std::size_t i : leftOver) work(i);
    for (std::thread& helper : helpers) helper.join();
    return results;
}

// The first range that did not end well, if any.
const RangeResult* Failed(const std::vector<RangeResult>& results) {
    for (const RangeResult& range : results) {
        if (range.status != RawReadStatus::Ok) return &range;
    }
    return nullptr;
}

// The CRC of the ranges so far followed by range i: joining costs as much as a few hundred bytes
// of checksumming, which on a tree of small files read in one range each is most of the work.
std::uint32_t Join(std::uint32_t sofar, std::size_t i, std::uint32_t crc, std::uint64_t length) {
    return i == 0 ? crc : CrcCombine(sofar, crc, length);
}

// The raw register of the bytes as read, when every range read all of its bytes.
std::optional<RawRead> JoinBinary(const std::vector<RangeResult>& results,
                                  const std::vector<FileRange>& ranges) {
    std::uint32_t crc = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].status != RawReadStatus::Ok || !results[i].whole) return std::nullopt;
        crc = Join(crc, i, results[i].rawCrc, ranges[i].length);
    }
    return RawRead{RawReadStatus::Ok, ~crc};
}

CrcResult Finish(RawRead read, const RegularFile& file, std::uint64_t size) {
    // A file that ended before its size, or whose size or time moved meanwhile, was changed
    // while it was read: no checksum describes it.
    if (read.status == RawReadStatus::ReadFailed && read.error == 0) {
        read.status = RawReadStatus::Changed;
    }
    if (read.status == RawReadStatus::Ok && !file.Unchanged()) read.status = RawReadStatus::Changed;
    switch (read.status) {
        case RawReadStatus::Ok:
            return {CrcStatus::Ok, ~read.reg, size};
        case RawReadStatus::Cancelled:
            return {CrcStatus::Cancelled, 0, size};
        case RawReadStatus::Changed:
            return {CrcStatus::Changed, 0, size};
        default:
            return {CrcStatus::Unreadable, 0, size, read.error};
    }
}

}  // namespace

RawRead CrcTable::CrcBinaryRead(const RegularFile& file, std::uint64_t expectedSize,
                                ReadProgress& progress, unsigned ranges) const {
    if (ranges <= 1) {
        // The usual case, a file in one range, without the plans and joins of several.
        std::atomic<bool> countWrong{false};
        const RangeResult result =
            ChecksumRange(file, {0, expectedSize, expectedSize}, ReadMode::Binary, progress, true,
                          true, countWrong);
        if (result.status != RawReadStatus::Ok) return {result.status, 0, result.error};
        return {RawReadStatus::Ok, ~result.rawCrc};
    }
    const unsigned parts = ranges;
    const std::vector<RangeResult> results =
        ReadRanges(file, expectedSize, ReadMode::Binary, progress, parts);
    if (const RangeResult* failed = Failed(results)) return {failed->status, 0, failed->error};
    return *JoinBinary(results, PlanRanges(expectedSize, parts));
}

RawRead CrcTable::CrcTextRead(const RegularFile& file, std::uint64_t expectedSize, ReadMode mode,
                              ReadProgress& progress, unsigned ranges,
                              std::optional<RawRead>* binary) const {
    if (mode == ReadMode::Binary) mode = ReadMode::Ascii;
    const unsigned parts = std::max(ranges, 1u);
    const std::vector<RangeResult> results = ReadRanges(file, expectedSize, mode, progress, parts);
    std::uint32_t crc = 0;
    std::uint64_t count = 0;
    for (std::size_t i = 0; i < results.size(); ++i) {
        const RangeResult& range = results[i];
        if (range.status == RawReadStatus::CountMismatch) return {RawReadStatus::CountMismatch, 0};
        if (range.status != RawReadStatus::Ok) return {range.status, 0, range.error};
        crc = Join(crc, i, range.textCrc, range.textLength);
        count += range.count;
        // The first Ctrl-Z ends the text: later ranges were converted for nothing.
        if (range.ended) break;
    }
    if (count == expectedSize) return {RawReadStatus::Ok, ~crc};
    if (binary != nullptr) *binary = JoinBinary(results, PlanRanges(expectedSize, parts));
    return {RawReadStatus::CountMismatch, 0};
}

CrcResult CrcTable::ComputeFileCrc(const RegularFile& file, std::uint64_t expectedSize,
                                   ReadMode mode, ReadProgress& progress, unsigned threads) const {
    const unsigned ranges = RangeCount(file, expectedSize, threads);
    RawRead read{RawReadStatus::CountMismatch, 0};
    std::optional<RawRead> binary;
    if (mode != ReadMode::Binary) {
        read = CrcTextRead(file, expectedSize, mode, progress, ranges, &binary);
    }
    // Text whose count differs from the size is checksummed as binary; the text pass has done
    // that already when it read every byte.
    if (read.status == RawReadStatus::CountMismatch) {
        read = binary ? *binary : CrcBinaryRead(file, expectedSize, progress, ranges);
    }
    return Finish(read, file, expectedSize);
}

}  // namespace quillmark
