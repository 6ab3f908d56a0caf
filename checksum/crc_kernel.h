// crc_kernel.h - the CRC-32 of a buffer from the library the program was built with: Intel's
// ISA-L (crc32_gzip_refl) where it is packaged for the processor, libdeflate otherwise. Each picks
// the processor's fastest carry-less multiply at run time (VPCLMULQDQ, PCLMULQDQ, arm64's PMULL).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark {

// The finished CRC of everything so far followed by data, from the finished CRC before it (0 for
// nothing yet), as zlib's crc32 counts. data may be null when size is 0.
std::uint32_t KernelCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace quillmark
