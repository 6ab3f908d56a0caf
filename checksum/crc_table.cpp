// crc_table.cpp - the CRC-32 table and the choice between the text and binary passes.
#include "checksum/crc_table.h"

#include "settings/option_flags.h"

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

CrcResult Finish(const RawRead& read) {
    switch (read.status) {
        case RawReadStatus::Ok:
            return {CrcStatus::Ok, ~read.reg};
        case RawReadStatus::Cancelled:
            return {CrcStatus::Cancelled, 0};
        default:
            return {CrcStatus::Unreadable, 0};
    }
}

}  // namespace

CrcResult CrcTable::ComputeFileCrc(const std::string& name, std::uint64_t expectedSize,
                                   std::uint8_t flags, ReadProgress* progress) const {
    if (flags & (OPT_ASCII_MODE | OPT_UNIX_LF)) {
        RawRead text = CrcTextRead(name, expectedSize, flags, progress);
        if (text.status != RawReadStatus::CountMismatch) return Finish(text);
    }
    return Finish(CrcBinaryRead(name, expectedSize, progress));
}

}  // namespace quillmark
