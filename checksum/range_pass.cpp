// range_pass.cpp - a range read buffer by buffer, its bytes checksummed as they are and as text.
#include "checksum/range_pass.h"

#include <cerrno>
#include <optional>

#include "checksum/crc_register.h"
#include "checksum/file_chunks.h"
#include "checksum/text_crc.h"

namespace quillmark {

RangeResult ChecksumRange(const RegularFile& file, const FileRange& range, ReadMode mode,
                          ReadProgress& progress, bool beganTheRead, bool readAhead,
                          std::atomic<bool>& countWrong) {
    RangeResult result;
    const bool text = mode != ReadMode::Binary;
    const bool unix = mode == ReadMode::UnixLf;
    TextCrc converted(unix);
    auto fail = [&](int error) {
        result.status = RawReadStatus::ReadFailed;
        result.error = error;
        return result;
    };
    std::uint8_t around = 0;
    int error = 0;
    if (unix && range.offset > 0) {
        const std::optional<std::size_t> got = file.ReadFullAt(&around, 1, range.offset - 1, error);
        if (!got || *got != 1) return fail(got ? 0 : error);
        if (around == kCarriageReturn) converted.StartAfterCarriageReturn();
    }
    FileChunks chunks(file, range.offset, range.length, readAhead);
    std::uint64_t consumed = 0;
    while (consumed < range.length && !(text && converted.Ended())) {
        const std::optional<std::span<const std::uint8_t>> got = chunks.Next();
        if (!got && chunks.Error() == EINTR) {
            // A read given up because the work stopped while it waited.
            result.status = RawReadStatus::Cancelled;
            return result;
        }
        if (!got) return fail(chunks.Error());
        // A file that ends before its size shrank after it was opened.
        if (got->size() < std::min<std::uint64_t>(range.length - consumed, chunks.BufferSize())) {
            return fail(0);
        }
        result.rawCrc = UpdateCrc(result.rawCrc, got->data(), got->size());
        if (text) converted.Feed(got->data(), got->size());
        consumed += got->size();
        progress.Add(got->size());
        if (!progress.KeepGoing(beganTheRead)) {
            result.status = RawReadStatus::Cancelled;
            return result;
        }
        // With Unix line ends the count is the bytes less one per CR LF pair, and a Ctrl-Z ends
        // it early: either makes it short of the size, wherever it is found.
        if (unix && (converted.Count() < consumed || converted.Ended())) countWrong = true;
        if (countWrong) {
            result.status = RawReadStatus::CountMismatch;
            return result;
        }
    }
    result.whole = consumed == range.length;
    if (!text) return result;
    const std::uint64_t next = range.offset + range.length;
    if (!converted.Ended() && next < range.end) {
        const std::optional<std::size_t> got = file.ReadFullAt(&around, 1, next, error);
        if (!got) return fail(error);
        if (*got == 1) {
            converted.FinishBefore(around);
        } else {
            converted.Finish();
        }
    } else {
        converted.Finish();
    }
    result.textCrc = converted.Crc();
    result.textLength = converted.Length();
    result.count = converted.Count();
    result.ended = converted.Ended();
    return result;
}

}  // namespace quillmark
