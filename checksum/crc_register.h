// crc_register.h - bulk updates of a raw CRC register through the CRC kernel.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checksum/crc_kernel.h"

namespace quillmark {

inline constexpr std::uint32_t kCrcRegisterStart = 0xFFFFFFFFu;

// The kernel takes and returns the finished (complemented) CRC, so the raw register is
// complemented on the way in and out; the result equals a byte-by-byte table loop.
inline std::uint32_t UpdateRegister(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    return ~KernelCrc(~reg, data, size);
}

// The same for a finished CRC, as the kernel takes and returns it.
inline std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    return KernelCrc(crc, data, size);
}

}  // namespace quillmark
