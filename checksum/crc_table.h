// crc_table.h - CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320) of one file, in binary or
// text mode, with the byte-count check and the fallback to binary reading.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "checksum/read_mode.h"
#include "checksum/read_progress.h"
#include "platform/regular_file.h"

namespace quillmark {

// Why a raw read ended. Only Ok carries a register value.
enum class RawReadStatus {
    Ok,
    OpenFailed,     // missing, not a regular file, no permission
    ReadFailed,     // a read error, or the file ended before its expected size
    Changed,        // the file's size or time changed while it was read
    CountMismatch,  // text pass only: the normalised byte count differs from the expected size
    Cancelled,
};

struct RawRead {
    RawReadStatus status = RawReadStatus::OpenFailed;
    std::uint32_t reg = 0;  // the raw CRC register (not complemented)
    int error = 0;          // the errno of a failed open or read, when there was one
};

// Changed: the file was replaced or written to while it was read, so no checksum describes it.
enum class CrcStatus { Ok, Unreadable, Changed, Cancelled };

// The checksum of one file, with unreadable reported beside the value: a CRC of 0 is a result.
struct CrcResult {
    CrcStatus status = CrcStatus::Unreadable;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;  // the bytes the checksum covers: the file's size as it was opened
    int error = 0;           // with Unreadable: the errno of the failure, when one is known

    bool Readable() const { return status == CrcStatus::Ok; }
};

class CrcTable {
public:
    CrcTable();

    std::uint32_t Entry(std::uint8_t index) const { return m_table[index]; }
    // One byte into a raw register: (reg >> 8) ^ table[(reg ^ byte) & 0xFF].
    std::uint32_t UpdateByte(std::uint32_t reg, std::uint8_t byte) const {
        return (reg >> 8) ^ m_table[(reg ^ byte) & 0xFFu];
    }

    // The checksum of exactly expectedSize bytes of an opened file (its size as opened, so the
    // size and the checksum always describe the same bytes): the text pass in the text modes,
    // and the binary pass when the text's count differs from the size. A file that ends sooner
    // or whose size or time changes by the end of the read is Changed. A large file already in
    // the page cache is read in ranges on `threads` threads (the calling one among them).
    CrcResult ComputeFileCrc(const RegularFile& file, std::uint64_t expectedSize, ReadMode mode,
                             ReadProgress& progress, unsigned threads = 1) const;
    // The passes below read the bytes in `ranges` ranges, each on a thread of its own (the
    // calling thread takes the first) and the results joined.
    // The raw register over exactly expectedSize bytes from the first; ReadFailed when the file
    // ends sooner (error 0) or a read fails.
    RawRead CrcBinaryRead(const RegularFile& file, std::uint64_t expectedSize,
                          ReadProgress& progress, unsigned ranges = 1) const;
    // The text-mode stream of those bytes (CR LF as LF, lone CR kept, first Ctrl-Z ends it), each
    // LF counted as two bytes, or in UnixLf mode checksummed as CR LF and counted as one; Binary
    // is read as Ascii here. CountMismatch when the count differs from expectedSize; the bytes
    // are checksummed as they are too, and when every one was read (LF text in ASCII mode)
    // *binary receives what CrcBinaryRead would give, so the file need not be read again.
    RawRead CrcTextRead(const RegularFile& file, std::uint64_t expectedSize, ReadMode mode,
                        ReadProgress& progress, unsigned ranges = 1,
                        std::optional<RawRead>* binary = nullptr) const;

private:
    std::array<std::uint32_t, 256> m_table;
};

}  // namespace quillmark
