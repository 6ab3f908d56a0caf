// crc_table.h - CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320) of one file, in binary or
// text mode, with the byte-count check and the fallback to binary reading.
#pragma once

#include <array>
#include <cstdint>
#include <string>

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
    CountMismatch,  // text pass only: the normalised byte count differs from the expected size
    Cancelled,
};

struct RawRead {
    RawReadStatus status = RawReadStatus::OpenFailed;
    std::uint32_t reg = 0;  // the raw CRC register (not complemented)
};

enum class CrcStatus { Ok, Unreadable, Cancelled };

// The checksum of one file, with unreadable reported beside the value: a CRC of 0 is a result.
struct CrcResult {
    CrcStatus status = CrcStatus::Unreadable;
    std::uint32_t crc = 0;

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

    // flags: the OptionFlags byte; OPT_ASCII_MODE or OPT_UNIX_LF take the text route.
    CrcResult ComputeFileCrc(const std::string& name, std::uint64_t expectedSize,
                             std::uint8_t flags, ReadProgress* progress = nullptr) const;
    // Exactly expectedSize bytes; a file that ends sooner is ReadFailed.
    RawRead CrcBinaryRead(const std::string& name, std::uint64_t expectedSize,
                          ReadProgress* progress = nullptr) const;
    // The text-mode stream (CR LF as LF, lone CR kept, first Ctrl-Z ends it), each LF counted as
    // two bytes, or with OPT_UNIX_LF checksummed as CR LF and counted as one.
    RawRead CrcTextRead(const std::string& name, std::uint64_t expectedSize, std::uint8_t flags,
                        ReadProgress* progress = nullptr) const;

private:
    std::array<std::uint32_t, 256> m_table;
};

}  // namespace quillmark
