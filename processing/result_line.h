// result_line.h - the text the user reads for one file: descriptive block, tabular line, or
// read-error line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/crc_settings.h"

namespace quillmark {

// readable false gives "Error encountered reading the file %s%s\n" (never lowercased);
// otherwise m_nOutputStyle picks the block or the line and m_bLowercase == 1 lowercases it.
std::string FormatResultLine(const CCRCSettings& settings, bool readable, std::uint32_t crc,
                             std::string_view directory, std::string_view fileName,
                             std::uint64_t size);

// "%08lx %12llu   %s\n": the tabular line for an already joined path (the sorted print uses it).
std::string FormatTabularLine(std::uint32_t crc, std::uint64_t size, std::string_view path);

// "Error encountered reading the file %s\n" for an already joined path.
std::string FormatReadErrorLine(std::string_view path);

// A to Z become a to z; every other byte stays.
void LowercaseAscii(std::string& text);

}  // namespace quillmark
