// text_crc.cpp - delivered text gathered into a small staging buffer, checksummed in bulk.
#include "checksum/text_crc.h"

#include <cstring>

#include "checksum/crc_register.h"

namespace quillmark {

void TextCrc::Feed(const std::uint8_t* data, std::size_t size) {
    m_decoder.Feed(data, size);
    TakeRuns();
}

void TextCrc::Finish() {
    m_decoder.Finish();
    TakeRuns();
    Flush();
}

void TextCrc::Flush() {
    m_reg = UpdateRegister(m_reg, m_staging, m_staged);
    m_staged = 0;
}

void TextCrc::TakeRuns() {
    TextRun run;
    while (m_decoder.Next(run)) {
        m_count += run.size;
        if (m_staged + run.size + 2 > kStagingSize) {
            Flush();
            // A long run goes straight from the file buffer.
            if (run.size > kStagingSize / 2) {
                m_reg = UpdateRegister(m_reg, run.data, run.size);
                run.size = 0;
            }
        }
        std::memcpy(m_staging + m_staged, run.data, run.size);
        m_staged += run.size;
        if (!run.endsLine) continue;
        if (m_unix) {
            m_staging[m_staged++] = kCarriageReturn;
            m_count += 1;
        } else {
            m_count += 2;  // the LF stands for the CR LF it was read from
        }
        m_staging[m_staged++] = kLineFeed;
    }
}

}  // namespace quillmark
