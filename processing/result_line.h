// result_line.h - the text the user reads for one file: descriptive block, tabular line, or
// read-error line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ascii_case.h"
#include "settings/crc_settings.h"

namespace quillmark {

// readable false gives "Error encountered reading the file %s%s\n" (never lowercased);
// otherwise the output style picks the block or the line, and the lowercase option lowercases
// it. A path holding a line break is written escaped (see name_escaping.h); forDisplay, for a
// person reading a terminal, also escapes every name that could garble it.
std::string FormatResultLine(const CCRCSettings& settings, bool readable, std::uint32_t crc,
                             std::string_view directory, std::string_view fileName,
                             std::uint64_t size, bool forDisplay = false);

}  // namespace quillmark
