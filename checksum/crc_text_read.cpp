// crc_text_read.cpp - the CRC register over a file read in text mode, with its byte count.
#include "checksum/crc_register.h"
#include "checksum/crc_table.h"
#include "checksum/read_buffer.h"
#include "platform/regular_file.h"
#include "platform/text_mode_stream.h"
#include "settings/option_flags.h"

namespace quillmark {

RawRead CrcTable::CrcTextRead(const std::string& name, std::uint64_t expectedSize,
                              std::uint8_t flags, ReadProgress* progress) const {
    std::optional<RegularFile> file = RegularFile::Open(name);
    if (!file) return {RawReadStatus::OpenFailed, 0};

    const bool unixLineEnds = (flags & OPT_UNIX_LF) != 0;
    ReadBuffer buffer = AllocateReadBuffer(file->Size());
    TextModeDecoder decoder;
    TextRun run;
    std::uint32_t reg = kCrcRegisterStart;
    std::uint64_t count = 0;
    auto take = [&] {
        while (decoder.Next(run)) {
            reg = UpdateRegister(reg, run.data, run.size);
            count += run.size;
            if (!run.endsLine) continue;
            if (unixLineEnds) {
                reg = UpdateByte(UpdateByte(reg, kCarriageReturn), kLineFeed);
                count += 1;
            } else {
                reg = UpdateByte(reg, kLineFeed);
                count += 2;  // the LF stands for the CR LF it was read from
            }
        }
    };

    for (;;) {
        std::optional<std::size_t> got = file->ReadFull(buffer.data.get(), buffer.size);
        // A failed read would otherwise pass for an early end and fall back to a binary
        // checksum of a file that was meant to be read as text.
        if (!got) return {RawReadStatus::ReadFailed, 0};
        if (*got == 0) break;
        decoder.Feed(buffer.data.get(), *got);
        take();
        if (progress && !progress->OnBytesRead(*got)) return {RawReadStatus::Cancelled, 0};
        // The count never shrinks: once past the expected size it cannot match any more.
        if (decoder.Ended() || count > expectedSize) break;
        if (*got < buffer.size) break;
    }
    decoder.Finish();
    take();

    if (count != expectedSize) return {RawReadStatus::CountMismatch, 0};
    return {RawReadStatus::Ok, reg};
}

}  // namespace quillmark
