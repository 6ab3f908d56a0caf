// text_crc.h - the CRC register and byte count of text-mode bytes, taken buffer by buffer.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text_mode_stream.h"

namespace quillmark {

class TextCrc {
public:
    // unixLineEnds: each LF is checksummed as CR LF and counted as one byte; otherwise it is
    // checksummed as LF and counted as the two bytes CR LF it stands for.
    explicit TextCrc(bool unixLineEnds) : m_unix(unixLineEnds) {}

    void Feed(const std::uint8_t* data, std::size_t size);
    // The file has no more bytes: a CR held back at the end of the last buffer counts now.
    void Finish();
    // A Ctrl-Z has ended the text.
    bool Ended() const { return m_decoder.Ended(); }

    // Valid after Finish.
    std::uint32_t Register() const { return m_reg; }
    std::uint64_t Count() const { return m_count; }

private:
    void TakeRuns();
    void Flush();

    // Short lines are gathered here with their line ends and checksummed in one call: a CRC call
    // per line costs more than copying the line.
    static constexpr std::size_t kStagingSize = 16 * 1024;

    bool m_unix;
    TextModeDecoder m_decoder;
    std::uint32_t m_reg = 0xFFFFFFFFu;
    std::uint64_t m_count = 0;
    std::size_t m_staged = 0;
    std::uint8_t m_staging[kStagingSize];
};

}  // namespace quillmark
