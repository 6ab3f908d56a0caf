// split_crc.cpp - ranges of one file checksummed on several threads and joined by CrcCombine.
#include "checksum/split_crc.h"

#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "checksum/crc_combine.h"
#include "checksum/crc_register.h"
#include "checksum/read_buffer.h"
#include "platform/text_mode_converter.h"

namespace quillmark {

namespace {

constexpr std::uint64_t kSplitThreshold = 64ull << 20;

struct RangeResult {
    RawReadStatus status = RawReadStatus::Ok;
    std::uint32_t crc = 0;  // finished CRC of the range
    int error = 0;
};

// beganTheRead: the range runs on the thread that began the read, which polls between buffers.
void ChecksumRange(const RegularFile& file, std::uint64_t offset, std::uint64_t length,
                   SharedReadProgress& progress, bool beganTheRead, RangeResult& result) {
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kReadAheadBufferSize);
    std::uint32_t crc = 0;
    while (length > 0) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(length, kReadAheadBufferSize));
        int error = 0;
        const std::optional<std::size_t> got = file.ReadFullAt(buffer.get(), want, offset, error);
        if (!got || *got < want) {
            result = {RawReadStatus::ReadFailed, 0, got ? 0 : error};
            return;
        }
        crc = UpdateCrc(crc, buffer.get(), want);
        offset += want;
        length -= want;
        progress.Add(want);
        if (!progress.KeepGoing(beganTheRead)) {
            result = {RawReadStatus::Cancelled, 0, 0};
            return;
        }
    }
    result = {RawReadStatus::Ok, crc, 0};
}

struct TextRangeResult {
    RawReadStatus status = RawReadStatus::Ok;
    std::uint32_t crc = 0;     // finished CRC of the converted bytes
    std::uint64_t length = 0;  // converted bytes
    std::uint64_t count = 0;   // the text pass's count for the range
    bool ended = false;        // a Ctrl-Z ended the text inside the range
    std::uint32_t rawCrc = 0;  // finished CRC of the bytes read, as they are
    bool whole = false;        // every byte of the range was read
    int error = 0;
};

void ConvertRange(const RegularFile& file, std::uint64_t offset, std::uint64_t length,
                  std::uint64_t size, ReadMode mode, SharedReadProgress& progress,
                  bool beganTheRead, std::atomic<bool>& doomed, TextRangeResult& result) {
    const bool unix = mode == ReadMode::UnixLf;
    TextModeConverter converter(unix);
    auto fail = [&](int error) {
        result.status = RawReadStatus::ReadFailed;
        result.error = error;
    };
    std::uint8_t around = 0;
    int error = 0;
    if (unix && offset > 0) {
        const std::optional<std::size_t> got = file.ReadFullAt(&around, 1, offset - 1, error);
        if (!got || *got != 1) return fail(got ? 0 : error);
        if (around == kCarriageReturn) converter.StartAfterCarriageReturn();
    }
    constexpr std::size_t kPiece = 64 * 1024;
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kPiece);
    const auto converted =
        std::make_unique_for_overwrite<std::uint8_t[]>(TextModeConverter::OutputRoom(kPiece));
    std::uint64_t consumed = 0;
    while (length > 0 && !converter.Ended()) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(length, kPiece));
        const std::optional<std::size_t> got = file.ReadFullAt(buffer.get(), want, offset, error);
        if (!got || *got < want) return fail(got ? 0 : error);
        result.rawCrc = UpdateCrc(result.rawCrc, buffer.get(), want);
        const std::size_t written = converter.Convert(buffer.get(), want, converted.get());
        result.crc = UpdateCrc(result.crc, converted.get(), written);
        result.length += written;
        offset += want;
        length -= want;
        consumed += want;
        progress.Add(want);
        if (!progress.KeepGoing(beganTheRead)) {
            result.status = RawReadStatus::Cancelled;
            return;
        }
        // With Unix line ends the count is the bytes less one per CR LF pair, and a Ctrl-Z ends
        // it early: either makes it short of the size, wherever it is found.
        if (unix && (converter.Count() < consumed || converter.Ended())) doomed = true;
        if (doomed) {
            result.status = RawReadStatus::CountMismatch;
            return;
        }
    }
    result.whole = length == 0;
    std::uint8_t last = 0;
    std::size_t written = 0;
    if (!converter.Ended() && offset < size) {
        const std::optional<std::size_t> got = file.ReadFullAt(&around, 1, offset, error);
        if (!got) return fail(error);
        written = *got == 1 ? converter.FinishBefore(around, &last) : converter.Finish(&last);
    } else {
        written = converter.Finish(&last);
    }
    result.crc = UpdateCrc(result.crc, &last, written);
    result.length += written;
    result.count = converter.Count();
    result.ended = converter.Ended();
}

}  // namespace

bool WorthSplitting(const RegularFile& file, unsigned threads) {
    return threads > 1 && file.Size() >= kSplitThreshold && file.IsCachedAt(0) &&
           file.IsCachedAt(file.Size() / 2);
}

namespace {

// Ranges on whole buffers, the last taking the remainder.
struct RangePlan {
    std::vector<std::uint64_t> offsets;
    std::uint64_t perRange = 0;
    std::uint64_t size = 0;
    std::uint64_t LengthOf(std::size_t i) const { return std::min(perRange, size - offsets[i]); }
};

RangePlan PlanRanges(std::uint64_t size, unsigned threads) {
    RangePlan plan;
    plan.size = size;
    const std::uint64_t buffers = (size + kReadAheadBufferSize - 1) / kReadAheadBufferSize;
    const unsigned parts = std::max(threads, 1u);
    plan.perRange = (buffers + parts - 1) / parts * kReadAheadBufferSize;
    for (std::uint64_t offset = 0; offset < size; offset += plan.perRange) {
        plan.offsets.push_back(offset);
    }
    return plan;
}

// Runs work(i) for every range, the first on the calling thread, the others on threads of their
// own (or, with none to be had, on the calling thread after its own).
void OnEveryRange(std::size_t ranges, const std::function<void(std::size_t)>& work) {
    std::vector<std::thread> helpers;
    std::vector<std::size_t> leftOver;
    for (std::size_t i = 1; i < ranges; ++i) {
        try {
            helpers.emplace_back(work, i);
        } catch (const std::system_error&) {
            leftOver.push_back(i);
        }
    }
    if (ranges > 0) work(0);
    for (std::size_t i : leftOver) work(i);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

RawRead CrcBinaryReadSplit(const RegularFile& file, std::uint64_t size, unsigned threads,
                           SharedReadProgress& progress) {
    const RangePlan plan = PlanRanges(size, threads);
    const std::vector<std::uint64_t>& offsets = plan.offsets;
    std::vector<RangeResult> results(offsets.size());
    auto lengthOf = [&](std::size_t i) { return plan.LengthOf(i); };
    OnEveryRange(offsets.size(), [&](std::size_t i) {
        ChecksumRange(file, offsets[i], lengthOf(i), progress, i == 0, results[i]);
    });

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
        m_shared.Add(bytes);
        return m_shared.KeepGoing(true);
    }

private:
    SharedReadProgress& m_shared;
};

}  // namespace

RawRead CrcTextReadSplit(const RegularFile& file, std::uint64_t size, ReadMode mode,
                         unsigned threads, SharedReadProgress& progress,
                         std::optional<RawRead>* binary) {
    const RangePlan plan = PlanRanges(size, threads);
    std::vector<TextRangeResult> results(plan.offsets.size());
    std::atomic<bool> doomed{false};
    OnEveryRange(plan.offsets.size(), [&](std::size_t i) {
        ConvertRange(file, plan.offsets[i], plan.LengthOf(i), size, mode, progress, i == 0, doomed,
                     results[i]);
    });
    std::uint32_t crc = 0;
    std::uint64_t count = 0;
    for (const TextRangeResult& range : results) {
        if (range.status != RawReadStatus::Ok) return {range.status, 0, range.error};
        crc = CrcCombine(crc, range.crc, range.length);
        count += range.count;
        // The first Ctrl-Z ends the text: later ranges were converted for nothing.
        if (range.ended) break;
    }
    if (count == size) return {RawReadStatus::Ok, ~crc};
    if (binary != nullptr) {
        std::uint32_t raw = 0;
        bool whole = true;
        for (std::size_t i = 0; i < results.size() && whole; ++i) {
            whole = results[i].status == RawReadStatus::Ok && results[i].whole;
            raw = CrcCombine(raw, results[i].rawCrc, plan.LengthOf(i));
        }
        if (whole) *binary = RawRead{RawReadStatus::Ok, ~raw};
    }
    return {RawReadStatus::CountMismatch, 0};
}

CrcResult ComputeFileCrcShared(const CrcTable& table, RegularFile& file, ReadMode mode,
                               SharedReadProgress& progress, unsigned threads) {
    if (!WorthSplitting(file, threads)) {
        SharedProgressAdapter adapter(progress);
        return table.ComputeFileCrc(file, mode, &adapter);
    }
    const std::uint64_t size = file.Size();
    RawRead read{RawReadStatus::CountMismatch, 0};
    std::optional<RawRead> binary;
    if (mode != ReadMode::Binary) {
        read = CrcTextReadSplit(file, size, mode, threads, progress, &binary);
    }
    // Text whose count differs from the size is checksummed as binary, as in one pass; the text
    // pass has done that already when it read every byte.
    if (read.status == RawReadStatus::CountMismatch) {
        read = binary ? *binary : CrcBinaryReadSplit(file, size, threads, progress);
    }
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
