// crc_combine.h - the CRC-32 of two byte runs joined, from the CRC-32 of each.
#pragma once

#include <cstdint>

namespace quillmark {

// crcA and crcB are finished CRC-32 values (as libdeflate and zlib give them) of two runs of
// bytes; the result is the finished CRC-32 of the first run followed by the second, whose length
// is lengthB. Costs O(log lengthB), so ranges of a file checksummed apart join cheaply.
std::uint32_t CrcCombine(std::uint32_t crcA, std::uint32_t crcB, std::uint64_t lengthB);

}  // namespace quillmark
