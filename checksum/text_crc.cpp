// text_crc.cpp - the file's text converted a piece at a time, each piece checksummed in bulk.
#include "checksum/text_crc.h"

#include <algorithm>

#include "checksum/crc_register.h"

namespace quillmark {

void TextCrc::Add(std::size_t written) {
    m_reg = UpdateRegister(m_reg, m_converted, written);
    m_length += written;
}

void TextCrc::Feed(const std::uint8_t* data, std::size_t size) {
    while (size > 0 && !m_converter.Ended()) {
        const std::size_t piece = std::min(size, kPieceSize);
        Add(m_converter.Convert(data, piece, m_converted));
        data += piece;
        size -= piece;
    }
}

void TextCrc::Finish() { Add(m_converter.Finish(m_converted)); }

void TextCrc::FinishBefore(std::uint8_t next) { Add(m_converter.FinishBefore(next, m_converted)); }

}  // namespace quillmark
