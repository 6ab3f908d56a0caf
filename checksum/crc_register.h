// crc_register.h - bulk updates of a raw CRC register through libdeflate's CRC-32.
#pragma once

#include <libdeflate.h>

#include <cstddef>
#include <cstdint>

namespace quillmark {

inline constexpr std::uint32_t kCrcRegisterStart = 0xFFFFFFFFu;

// libdeflate takes and returns the finished (complemented) CRC, so the raw register is
// complemented on the way in and out; the result equals a byte-by-byte table loop.
inline std::uint32_t UpdateRegister(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    return ~libdeflate_crc32(~reg, data, size);
}

}  // namespace quillmark
