// result_line_append.h - result lines built onto the end of a caller's buffer, so that printing
// many of them needs no allocation per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

// Eight lowercase hexadecimal digits, leading zeros kept ("%08x").
void AppendCrcHex(std::string& out, std::uint32_t crc);
// Each of these writes a path holding LF or CR escaped, its line starting with a backslash.
// "%08x %12llu   %s\n" with the path as given.
// forDisplay escapes for a person's eyes instead (see EscapeNameForDisplay).
void AppendTabularLine(std::string& out, std::uint32_t crc, std::uint64_t size,
                       std::string_view directory, std::string_view fileName,
                       bool forDisplay = false);
// "Error encountered reading the file %s%s\n".
void AppendReadErrorLine(std::string& out, std::string_view directory, std::string_view fileName,
                         bool forDisplay = false);

}  // namespace quillmark
