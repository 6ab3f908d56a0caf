// result_line_append.h - result lines built onto the end of a caller's buffer, so that printing
// many of them needs no allocation per line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

// A path with a line break would end its line early and let the rest of the name pass for a
// result of its own; such a path (directory + fileName) is written escaped, and its line begins
// with a backslash so a reader knows to undo it. AppendEscapeMarker writes that backslash when
// the path needs it and says whether it did; AppendListingPath then writes the path, escaped
// when marked. forDisplay: for a person's eyes, a name that could garble a terminal is escaped the
// same way (see EscapeNameForDisplay).
bool AppendEscapeMarker(std::string& out, std::string_view directory, std::string_view fileName,
                        bool forDisplay = false);
void AppendListingPath(std::string& out, bool escaped, std::string_view directory,
                       std::string_view fileName, bool forDisplay = false);
enum class HexLetters { Lower, Upper };
// Eight hexadecimal digits, leading zeros kept: "%08x", or "%08X" with HexLetters::Upper.
void AppendCrcHex(std::string& out, std::uint32_t crc, HexLetters letters = HexLetters::Lower);
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
