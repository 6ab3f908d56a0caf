// crc_register.h - bulk updates of a raw CRC register through libdeflate's CRC-32 and, for long
// buffers, the wide fold.
#pragma once

#include <libdeflate.h>

#include <cstddef>
#include <cstdint>

#include "checksum/wide_crc.h"

namespace quillmark {

inline constexpr std::uint32_t kCrcRegisterStart = 0xFFFFFFFFu;

// libdeflate takes and returns the finished (complemented) CRC, so the raw register is
// complemented on the way in and out; the result equals a byte-by-byte table loop. Long buffers
// are folded on the wide registers first where the processor has them: libdeflate's own loop
// runs at about half the speed of copying from the page cache.
inline std::uint32_t UpdateRegister(std::uint32_t reg, const std::uint8_t* data, std::size_t size) {
    if (size >= kWideCrcMinimum && WideCrcAvailable()) {
        const std::size_t blocks = size / kWideCrcBlock * kWideCrcBlock;
        reg = WideCrcBlocks(reg, data, size);
        data += blocks;
        size -= blocks;
    }
    return ~libdeflate_crc32(~reg, data, size);
}

// The same for a finished CRC, as libdeflate_crc32 takes and returns it.
inline std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    return ~UpdateRegister(~crc, data, size);
}

}  // namespace quillmark
