// sfv_writer.h - a run's results as SFV lines that SFV checkers read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "processing/result_format.h"

namespace quillmark {

// "; Quillmark VERSION" with ", ASCII mode" or ", Unix LF mode" for a text read; no date, so the
// same tree gives the same bytes.
std::string SfvHeaderLine(std::uint8_t flags);

// "PATH CRC" lines. A file SFV cannot hold - one with no CRC, a name with a line break or one
// that ends in a space - is left out and told to leftOut with the reason.
class SfvFormat : public ResultFormat {
public:
    using LeftOut = std::function<void(std::string_view path, std::string_view reason)>;

    // forDisplay: the lines go to a terminal, and a name EscapeNameForDisplay would escape is
    // shown so, its line starting with '\'.
    SfvFormat(std::uint8_t flags, LeftOut leftOut, bool forDisplay = false)
        : m_flags(flags), m_leftOut(std::move(leftOut)), m_forDisplay(forDisplay) {}

    std::string Header() const override { return SfvHeaderLine(m_flags); }
    void Append(std::string& text, std::string_view path, std::uint64_t size, std::uint32_t crc,
                bool readable) const override;

private:
    std::uint8_t m_flags;
    LeftOut m_leftOut;
    bool m_forDisplay;
};

}  // namespace quillmark
