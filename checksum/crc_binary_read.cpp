// crc_binary_read.cpp - the CRC register over exactly the expected number of a file's bytes.
#include <fcntl.h>

#include <algorithm>

#include "checksum/crc_register.h"
#include "checksum/crc_table.h"
#include "checksum/file_chunks.h"
#include "platform/regular_file.h"

namespace quillmark {

RawRead CrcTable::CrcBinaryRead(const std::string& name, std::uint64_t expectedSize,
                                ReadProgress* progress) const {
    int error = 0;
    std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, name, &error);
    if (!file) return {RawReadStatus::OpenFailed, 0, error};
    return CrcBinaryRead(*file, expectedSize, progress);
}

RawRead CrcTable::CrcBinaryRead(RegularFile& file, std::uint64_t expectedSize,
                                ReadProgress* progress) const {
    if (expectedSize == 0) return {RawReadStatus::Ok, kCrcRegisterStart};

    FileChunks chunks(file, expectedSize);
    std::uint32_t reg = kCrcRegisterStart;
    std::uint64_t left = expectedSize;
    while (left > 0) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(left, chunks.BufferSize()));
        const std::optional<std::span<const std::uint8_t>> got = chunks.Next();
        if (!got) return {RawReadStatus::ReadFailed, 0, file.LastError()};
        // A file that shrank since it was listed has no checksum of its listed size.
        if (got->size() < want) return {RawReadStatus::ReadFailed, 0};
        reg = UpdateRegister(reg, got->data(), want);
        left -= want;
        if (progress && !progress->OnBytesRead(want)) return {RawReadStatus::Cancelled, 0};
    }
    return {RawReadStatus::Ok, reg};
}

}  // namespace quillmark
