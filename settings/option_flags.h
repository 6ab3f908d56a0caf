// option_flags.h - the OptionFlags byte: one bit per option, derived from the settings record.
#pragma once

#include <cstdint>

namespace quillmark {

inline constexpr std::uint8_t OPT_LOWERCASE = 0x01;
inline constexpr std::uint8_t OPT_NO_RECURSION = 0x02;
inline constexpr std::uint8_t OPT_DIR_WILDCARDS = 0x04;
inline constexpr std::uint8_t OPT_SORT = 0x10;
inline constexpr std::uint8_t OPT_ASCII_MODE = 0x20;  // read mode 0
inline constexpr std::uint8_t OPT_UNIX_LF = 0x40;

}  // namespace quillmark
