// text_crc.h - the CRC register and byte count of text-mode bytes, taken buffer by buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "checksum/crc_table.h"
#include "platform/text_mode_stream.h"

namespace quillmark {

class TextCrc {
public:
    // unixLineEnds: each LF is checksummed as CR LF and counted as one byte; otherwise it is
    // checksummed as LF and counted as the two bytes CR LF it stands for.
    TextCrc(const CrcTable& table, bool unixLineEnds) : m_table(table), m_unix(unixLineEnds) {}

    void Feed(const std::uint8_t* data, std::size_t size);
    // The file has no more bytes: a CR held back at the end of the last buffer counts now.
    void Finish();
    // A Ctrl-Z has ended the text.
    bool Ended() const { return m_decoder.Ended(); }

    std::uint32_t Register() const { return m_reg; }
    std::uint64_t Count() const { return m_count; }

private:
    void TakeRuns();

    const CrcTable& m_table;
    bool m_unix;
    TextModeDecoder m_decoder;
    std::uint32_t m_reg = 0xFFFFFFFFu;
    std::uint64_t m_count = 0;
};

}  // namespace quillmark
