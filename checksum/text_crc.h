// text_crc.h - the CRC and byte count of text-mode bytes, taken buffer by buffer, for a whole file
// or for one range of it.
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

    // A range converted on its own: the byte before it was a CR (its conversion depends on
    // nothing else before it).
    void StartAfterCarriageReturn() { m_converter.StartAfterCarriageReturn(); }
    void Feed(const std::uint8_t* data, std::size_t size);
    // The file has no more bytes: a CR held back at the end of the last buffer counts now.
    void Finish();
    // The range ends before the byte next: a held-back CR goes to whichever range the LF after it
    // is in.
    void FinishBefore(std::uint8_t next);
    // A Ctrl-Z has ended the text.
    bool Ended() const { return m_converter.Ended(); }

    // Valid after Finish: the finished CRC of the converted bytes, how many there were (to join
    // ranges), and the count the text pass compares with the file's size.
    std::uint32_t Crc() const { return ~m_reg; }
    std::uint64_t Length() const { return m_length; }
    std::uint64_t Count() const { return m_converter.Count(); }

private:
    void Add(std::size_t written);

    // Converted text lands here and is checksummed in one call per piece: small enough to stay
    // in the processor's cache between the conversion writing it and the CRC reading it.
    static constexpr std::size_t kPieceSize = 8 * 1024;

    TextModeConverter m_converter;
    std::uint32_t m_reg = 0xFFFFFFFFu;
    std::uint64_t m_length = 0;
    std::uint8_t m_converted[TextModeConverter::OutputRoom(kPieceSize)];
};

}  // namespace quillmark
