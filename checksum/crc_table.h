// crc_table.h - CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320) of one file, in binary or
// text mode, with the byte-count check and the fallback to binary reading.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "checksum/read_mode.h"
#include "platform/regular_file.h"

namespace quillmark {

// Told after each buffer how many bytes were just read from the file; returning false stops the
// read between two buffers.
class ReadProgress {
public:
    virtual ~ReadProgress() = default;
    virtual bool OnBytesRead(std::uint64_t bytes) = 0;
};

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

    // The checksum of an opened file, its size taken from the open file itself, so the size and
    // the checksum always describe the same bytes; a file whose size or time changes by the end
    // of the read is Changed. The text modes' expected size is the file's size; when the text's
    // count differs from it, the file is checksummed as binary.
    CrcResult ComputeFileCrc(RegularFile& file, ReadMode mode,
                             ReadProgress* progress = nullptr) const;
    // The same for a file named by path, checked against a size the caller expects (one recorded
    // in a listing, say) instead of the size the file has.
    CrcResult ComputeFileCrc(const std::string& name, std::uint64_t expectedSize, ReadMode mode,
                             ReadProgress* progress = nullptr) const;
    // Exactly expectedSize bytes from the file's current position; a file that ends sooner is
    // ReadFailed.
    RawRead CrcBinaryRead(RegularFile& file, std::uint64_t expectedSize,
                          ReadProgress* progress = nullptr) const;
    RawRead CrcBinaryRead(const std::string& name, std::uint64_t expectedSize,
                          ReadProgress* progress = nullptr) const;
    // The text-mode stream (CR LF as LF, lone CR kept, first Ctrl-Z ends it), each LF counted as
    // two bytes, or in UnixLf mode checksummed as CR LF and counted as one. Binary is read as
    // Ascii here. The bytes are checksummed as they are too: when the count is wrong after
    // exactly expectedSize bytes were read (LF text in ASCII mode), *binary receives
    // what CrcBinaryRead would give, so the file need not be read a second time.
    RawRead CrcTextRead(RegularFile& file, std::uint64_t expectedSize, ReadMode mode,
                        ReadProgress* progress = nullptr,
                        std::optional<RawRead>* binary = nullptr) const;
    RawRead CrcTextRead(const std::string& name, std::uint64_t expectedSize, ReadMode mode,
                        ReadProgress* progress = nullptr) const;

private:
    std::array<std::uint32_t, 256> m_table;
};

}  // namespace quillmark
