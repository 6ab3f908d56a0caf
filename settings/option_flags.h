// option_flags.h - the OptionFlags byte: one bit per option, derived from the settings record.
#pragma once

#include <cstdint>

#include "checksum/read_mode.h"

namespace quillmark {

inline constexpr std::uint8_t OPT_LOWERCASE = 0x01;
inline constexpr std::uint8_t OPT_NO_RECURSION = 0x02;
inline constexpr std::uint8_t OPT_DIR_WILDCARDS = 0x04;
inline constexpr std::uint8_t OPT_SORT = 0x10;
inline constexpr std::uint8_t OPT_ASCII_MODE = 0x20;  // read mode 0
inline constexpr std::uint8_t OPT_UNIX_LF = 0x40;

// The flag byte decides how files are read: Unix line ends win over the ASCII read mode (a
// record loaded with both takes the Unix-LF route), and neither reads binary.
inline ReadMode ReadModeFromFlags(std::uint8_t flags) {
    if (flags & OPT_UNIX_LF) return ReadMode::UnixLf;
    if (flags & OPT_ASCII_MODE) return ReadMode::Ascii;
    return ReadMode::Binary;
}

}  // namespace quillmark
