// range_pass.h - one read of a range of a file: the CRC of its bytes as they are and, in the text
// modes, of the text they stand for. Whole-file passes and split passes alike are made of these.
#pragma once

#include <atomic>
#include <cstdint>

#include "checksum/crc_table.h"
#include "checksum/read_mode.h"
#include "checksum/read_progress.h"
#include "platform/regular_file.h"

namespace quillmark {

struct FileRange {
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    // Where the bytes being checksummed end: a text range before it looks one byte past itself.
    std::uint64_t end = 0;
};

struct RangeResult {
    RawReadStatus status = RawReadStatus::Ok;
    int error = 0;
    std::uint32_t rawCrc = 0;  // finished CRC of the bytes read, as they are
    bool whole = false;        // every byte of the range was read
    // The text modes only.
    std::uint32_t textCrc = 0;     // finished CRC of the converted bytes
    std::uint64_t textLength = 0;  // converted bytes
    std::uint64_t count = 0;       // the text pass's count for the range
    bool ended = false;            // a Ctrl-Z ended the text inside the range
};

// Reads range of file, checksumming its bytes and, unless mode is Binary, their text. The ranges
// of one pass share countWrong: in Unix LF mode the first CR LF pair or Ctrl-Z proves the text's
// count short of the size, and every range stops there (Ascii mode reads on, so its binary CRC is
// at hand). beganTheRead: this range runs on the thread that began the read, which polls between
// buffers; readAhead: the range is the pass's only one.
RangeResult ChecksumRange(const RegularFile& file, const FileRange& range, ReadMode mode,
                          ReadProgress& progress, bool beganTheRead, bool readAhead,
                          std::atomic<bool>& countWrong);

}  // namespace quillmark
