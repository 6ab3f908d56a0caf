// result_line_support.h - the tabular and read-error lines of an already joined path, as tests
// expect them from a run.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "processing/result_line_append.h"

namespace quillmark::testing {

// "%08lx %12llu   %s\n".
inline std::string FormatTabularLine(std::uint32_t crc, std::uint64_t size, std::string_view path) {
    std::string text;
    AppendTabularLine(text, crc, size, path, {});
    return text;
}

// "Error encountered reading the file %s\n".
inline std::string FormatReadErrorLine(std::string_view path) {
    std::string text;
    AppendReadErrorLine(text, path, {});
    return text;
}

}  // namespace quillmark::testing
