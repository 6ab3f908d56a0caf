// libdeflate.cpp - the CRC kernel from libdeflate, where ISA-L is not packaged or not wanted.
#include <libdeflate.h>

#include "checksum/crc_kernel.h"

namespace quillmark {

std::uint32_t KernelCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    // libdeflate answers a null buffer with its starting value 0, whatever crc was; an empty
    // vector's data() may well be null.
    if (size == 0) return crc;
    return libdeflate_crc32(crc, data, size);
}

}  // namespace quillmark
