// text_crc.h - the CRC register and byte count of text-mode bytes, taken buffer by buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text_mode_converter.h"

namespace quillmark {

class TextCrc {
public:
    // unixLineEnds: each LF is checksummed as CR LF and counted as one byte; otherwise it is
    // checksummed as LF and counted as the two bytes CR LF it stands for.
    explicit TextCrc(bool unixLineEnds) : m_converter(unixLineEnds) {}

    void Feed(const std::uint8_t* data, std::size_t size);
    // The file has no more bytes: a CR held back at the end of the last buffer counts now.
    void Finish();
    // A Ctrl-Z has ended the text.
    bool Ended() const { return m_converter.Ended(); }

    // Valid after Finish.
    std::uint32_t Register() const { return m_reg; }
    std::uint64_t Count() const { return m_converter.Count(); }

private:
    // Converted text lands here and is checksummed in one call per piece: small enough to stay
    // in the processor's cache between the conversion writing it and the CRC reading it.
    static constexpr std::size_t kPieceSize = 8 * 1024;

    TextModeConverter m_converter;
    std::uint32_t m_reg = 0xFFFFFFFFu;
    std::uint8_t m_converted[TextModeConverter::OutputRoom(kPieceSize)];
};

}  // namespace quillmark
