// crc_table.cpp - the CRC-32 table and the choice between the text and binary passes.
#include "checksum/crc_table.h"

#include <fcntl.h>

#include <cerrno>

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

CrcResult Finish(const RawRead& read, std::uint64_t size) {
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

// The text pass; when its count is wrong, the binary checksum of the same open file, taken from
// the text pass when that read every byte, else from a second read from the first byte.
RawRead TextOrBinaryPass(const CrcTable& table, RegularFile& file, std::uint64_t expectedSize,
                         ReadMode mode, ReadProgress* progress) {
    if (mode != ReadMode::Binary) {
        std::optional<RawRead> binary;
        const RawRead text = table.CrcTextRead(file, expectedSize, mode, progress, &binary);
        if (text.status != RawReadStatus::CountMismatch) return text;
        if (binary) return *binary;
        if (!file.Rewind()) return {RawReadStatus::ReadFailed, 0, errno};
    }
    return table.CrcBinaryRead(file, expectedSize, progress);
}

}  // namespace

CrcResult CrcTable::ComputeFileCrc(RegularFile& file, ReadMode mode, ReadProgress* progress) const {
    const std::uint64_t size = file.Size();
    RawRead read = TextOrBinaryPass(*this, file, size, mode, progress);
    // A short file at this point is one that shrank after it was opened.
    if (read.status == RawReadStatus::ReadFailed && read.error == 0) {
        read.status = RawReadStatus::Changed;
    }
    if (read.status == RawReadStatus::Ok && !file.Unchanged()) read.status = RawReadStatus::Changed;
    return Finish(read, size);
}

CrcResult CrcTable::ComputeFileCrc(const std::string& name, std::uint64_t expectedSize,
                                   ReadMode mode, ReadProgress* progress) const {
    int error = 0;
    std::optional<RegularFile> file = RegularFile::OpenAt(AT_FDCWD, name, &error);
    if (!file) return Finish({RawReadStatus::OpenFailed, 0, error}, expectedSize);
    return Finish(TextOrBinaryPass(*this, *file, expectedSize, mode, progress), expectedSize);
}

}  // namespace quillmark
