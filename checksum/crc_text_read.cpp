// crc_text_read.cpp - the CRC register over a file read in text mode, with its byte count.
#include <fcntl.h>

#include "checksum/crc_register.h"
#include "checksum/crc_table.h"
#include "checksum/file_chunks.h"
#include "checksum/text_crc.h"
#include "platform/regular_file.h"

namespace quillmark {

RawRead CrcTable::CrcTextRead(const std::string& name, std::uint64_t expectedSize, ReadMode mode,
                              ReadProgress* progress) const {
    int error = 0;
    std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, name, &error);
    if (!file) return {RawReadStatus::OpenFailed, 0, error};
    return CrcTextRead(*file, expectedSize, mode, progress);
}

RawRead CrcTable::CrcTextRead(RegularFile& file, std::uint64_t expectedSize, ReadMode mode,
                              ReadProgress* progress, std::optional<RawRead>* binary) const {
    FileChunks chunks(file, UINT64_MAX);
    const bool unixLineEnds = mode == ReadMode::UnixLf;
    TextCrc text(unixLineEnds);
    // Each byte still to come adds at most this much to the count.
    const std::uint64_t mostPerByte = unixLineEnds ? 1 : 2;
    std::uint64_t bytesRead = 0;
    std::uint32_t raw = kCrcRegisterStart;
    for (;;) {
        const std::optional<std::span<const std::uint8_t>> got = chunks.Next();
        // A failed read would otherwise pass for an early end and fall back to a binary
        // checksum of a file that was meant to be read as text.
        if (!got) return {RawReadStatus::ReadFailed, 0, file.LastError()};
        if (got->empty()) break;
        bytesRead += got->size();
        if (binary != nullptr) raw = UpdateRegister(raw, got->data(), got->size());
        text.Feed(got->data(), got->size());
        if (progress && !progress->OnBytesRead(got->size())) return {RawReadStatus::Cancelled, 0};
        if (text.Ended() || got->size() < chunks.BufferSize()) break;
        // Stop as soon as the count can no longer match: it never shrinks, and the rest of the
        // file (its size when opened) can add only so much, plus a CR held back at the buffer's
        // end. CR LF text in Unix-LF mode thus goes to the binary pass after one buffer.
        std::uint64_t rest = file.Size() > bytesRead ? file.Size() - bytesRead : 0;
        if (text.Count() > expectedSize || text.Count() + 1 + rest * mostPerByte < expectedSize)
            break;
    }
    text.Finish();

    if (text.Count() != expectedSize) {
        // The binary pass would checksum exactly the first expectedSize bytes: these.
        if (binary != nullptr && bytesRead == expectedSize) {
            *binary = RawRead{RawReadStatus::Ok, raw};
        }
        return {RawReadStatus::CountMismatch, 0};
    }
    return {RawReadStatus::Ok, text.Register()};
}

}  // namespace quillmark
