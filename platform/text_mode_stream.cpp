// text_mode_stream.cpp - the text-mode conversion, one memchr per line rather than a test per
// byte.
#include "platform/text_mode_stream.h"

#include <cstring>

namespace quillmark {

namespace {
const std::uint8_t kLoneCr[1] = {kCarriageReturn};
}

void TextModeDecoder::Feed(const std::uint8_t* data, std::size_t size) {
    m_pos = data;
    m_end = data + size;
    if (m_ended) {
        m_pos = m_end;
        m_stop = m_end;
        return;
    }
    const void* eot = size ? std::memchr(data, kEndOfText, size) : nullptr;
    m_stop = eot ? static_cast<const std::uint8_t*>(eot) : m_end;
}

void TextModeDecoder::Finish() {
    m_pos = m_end = m_stop = nullptr;
    m_finished = true;
}

bool TextModeDecoder::Next(TextRun& run) {
    if (m_ended) return false;
    if (m_pendingCr) {
        if (m_finished || m_pos < m_end) {
            m_pendingCr = false;
            // A CR LF across two buffers: the LF is found below at the start of this one.
            if (m_finished || *m_pos != kLineFeed) {
                run = {kLoneCr, 1, false};
                return true;
            }
        } else {
            return false;
        }
    }
    while (m_pos < m_stop) {
        const std::uint8_t* start = m_pos;
        std::size_t left = static_cast<std::size_t>(m_stop - start);
        auto* lf = static_cast<const std::uint8_t*>(std::memchr(start, kLineFeed, left));
        if (lf) {
            m_pos = lf + 1;
            std::size_t size = static_cast<std::size_t>(lf - start);
            if (size > 0 && lf[-1] == kCarriageReturn) --size;
            run = {start, size, true};
            return true;
        }
        m_pos = m_stop;
        std::size_t size = left;
        // A CR right before the buffer's end may pair with an LF in the next buffer; before a
        // Ctrl-Z it is a lone CR.
        if (m_stop == m_end && start[size - 1] == kCarriageReturn) {
            m_pendingCr = true;
            --size;
        }
        if (size == 0) break;
        run = {start, size, false};
        return true;
    }
    if (m_stop != m_end) {
        m_ended = true;
        m_pos = m_end;
    }
    return false;
}

}  // namespace quillmark
