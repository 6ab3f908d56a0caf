// display_result_format.cpp - a run's results for a person at a terminal.
#include "processing/display_result_format.h"

#include "processing/result_line.h"

namespace quillmark {

void DisplayResultFormat::Append(std::string& text, std::string_view path, std::uint64_t size,
                                 std::uint32_t crc, bool readable) const {
    text += FormatResultLine(m_settings, readable, crc, path, {}, size, true);
}

}  // namespace quillmark
