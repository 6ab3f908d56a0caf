// text_mode_stream.cpp - the text-mode conversion, one memchr per line rather than a test per
// byte.
#include "platform/text_mode_stream.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmark {

namespace {

const std::uint8_t kLoneCr[1] = {kCarriageReturn};

// Lines are short, so an inline 16-byte scan beats the set-up cost of a memchr call per line.
const std::uint8_t* FindLineFeed(const std::uint8_t* pos, const std::uint8_t* end) {
#if defined(__SSE2__)
    const __m128i lineFeeds = _mm_set1_epi8(static_cast<char>(kLineFeed));
    for (; end - pos >= 16; pos += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lineFeeds)));
        if (mask != 0) return pos + __builtin_ctz(mask);
    }
#endif
    const void* found = std::memchr(pos, kLineFeed, static_cast<std::size_t>(end - pos));
    return found ? static_cast<const std::uint8_t*>(found) : nullptr;
}

}  // namespace

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
        const std::uint8_t* lf = FindLineFeed(start, m_stop);
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
