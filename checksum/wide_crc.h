// wide_crc.h - the raw CRC-32 register over long buffers folded 512 bits at a time with the
// processor's carry-less multiply (VPCLMULQDQ on AVX-512), where the processor has it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark {

// Shorter buffers gain nothing from the wide registers' set-up.
inline constexpr std::size_t kWideCrcMinimum = 4096;
// Four 512-bit registers' worth: the fold takes whole blocks of this many bytes.
inline constexpr std::size_t kWideCrcBlock = 256;

// Whether this processor (and the system, which must save the wide registers) can run it.
bool WideCrcAvailable();

// The register after the whole blocks at the start of data, from reg; the caller checksums the
// rest. Only when WideCrcAvailable() and size >= kWideCrcBlock.
std::uint32_t WideCrcBlocks(std::uint32_t reg, const std::uint8_t* data, std::size_t size);

}  // namespace quillmark
