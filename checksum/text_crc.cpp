// text_crc.cpp - bulk CRC over each run of delivered text, one table step per inserted byte.
#include "checksum/text_crc.h"

#include "checksum/crc_register.h"

namespace quillmark {

void TextCrc::Feed(const std::uint8_t* data, std::size_t size) {
    m_decoder.Feed(data, size);
    TakeRuns();
}

void TextCrc::Finish() {
    m_decoder.Finish();
    TakeRuns();
}

void TextCrc::TakeRuns() {
    TextRun run;
    while (m_decoder.Next(run)) {
        m_reg = UpdateRegister(m_reg, run.data, run.size);
        m_count += run.size;
        if (!run.endsLine) continue;
        if (m_unix) {
            m_reg = m_table.UpdateByte(m_table.UpdateByte(m_reg, kCarriageReturn), kLineFeed);
            m_count += 1;
        } else {
            m_reg = m_table.UpdateByte(m_reg, kLineFeed);
            m_count += 2;
        }
    }
}

}  // namespace quillmark
