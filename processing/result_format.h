// result_format.h - a run's results written in a format other than the settings' own style.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

class ResultFormat {
public:
    virtual ~ResultFormat() = default;
    // Text that opens each run's output, before its first result.
    virtual std::string Header() const = 0;
    // Appends the line for one file's result to text; nothing for a file the format cannot hold.
    virtual void Append(std::string& text, std::string_view path, std::uint64_t size,
                        std::uint32_t crc, bool readable) const = 0;
};

}  // namespace quillmark
