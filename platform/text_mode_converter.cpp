// text_mode_converter.cpp - the text-mode conversion sixteen bytes at a time: a block without a
// line end to change is copied whole, and only blocks that hold one are converted byte by byte.
#include "platform/text_mode_converter.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace quillmark {

#if defined(__SSE2__)
namespace {

// Line ends are sparse, so clearing bits one by one beats a popcount that the baseline x86-64
// target can only call out of line.
unsigned CountBits(unsigned bits) {
    unsigned count = 0;
    for (; bits != 0; bits &= bits - 1) ++count;
    return count;
}

// Sixteen bytes from pos copied to out without the bytes whose bits are set in dropped; returns
// how many were written. Each piece is moved with one sixteen-byte load and store, so reads reach
// up to 31 bytes past pos and writes up to 16 bytes past the end of the output.
std::size_t CopyLeavingOut(const std::uint8_t* pos, unsigned dropped, std::uint8_t* out) {
    std::size_t written = 0;
    unsigned from = 0;
    for (; dropped != 0; dropped &= dropped - 1) {
        const auto at = static_cast<unsigned>(__builtin_ctz(dropped));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + from)));
        written += at - from;
        from = at + 1;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + from)));
    return written + 16 - from;
}

// Sixteen bytes from pos copied to out with a CR before each byte whose bit is set in inserted;
// returns how many were written. Reads and writes reach as far past as CopyLeavingOut's.
std::size_t CopyInsertingCr(const std::uint8_t* pos, unsigned inserted, std::uint8_t* out) {
    std::size_t written = 0;
    unsigned from = 0;
    for (; inserted != 0; inserted &= inserted - 1) {
        const auto at = static_cast<unsigned>(__builtin_ctz(inserted));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written),
                         _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + from)));
        written += at - from;
        out[written++] = kCarriageReturn;
        from = at;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + written),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + from)));
    return written + 16 - from;
}

}  // namespace
#endif

std::size_t TextModeConverter::Convert(const std::uint8_t* data, std::size_t size,
                                       std::uint8_t* out) {
    if (m_ended || size == 0) return 0;
    const void* eot = std::memchr(data, kEndOfText, size);
    const std::uint8_t* stop = eot ? static_cast<const std::uint8_t*>(eot) : data + size;
    const std::size_t written =
        m_crLf ? ConvertCrLf(data, stop, out) : ConvertText(data, stop, eot == nullptr, out);
    if (eot) m_ended = true;
    return written;
}

std::size_t TextModeConverter::FinishBefore(std::uint8_t next, std::uint8_t* out) {
    if (m_pendingCr && next == kLineFeed && !m_ended) {
        m_pendingCr = false;
        return 0;
    }
    return Finish(out);
}

std::size_t TextModeConverter::Finish(std::uint8_t* out) {
    if (!m_pendingCr) return 0;
    m_pendingCr = false;
    *out = kCarriageReturn;
    ++m_count;
    return 1;
}

// Text mode: a CR right before an LF is dropped. atEnd: the buffer ends at stop (no Ctrl-Z), so
// a CR there waits for the next buffer.
std::size_t TextModeConverter::ConvertText(const std::uint8_t* pos, const std::uint8_t* stop,
                                           bool atEnd, std::uint8_t* out) {
    std::uint8_t* const start = out;
    std::uint64_t lineFeeds = 0;
    if (m_pendingCr) {
        m_pendingCr = false;
        if (pos == stop || *pos != kLineFeed) *out++ = kCarriageReturn;
    }
#if defined(__SSE2__)
    const __m128i crs = _mm_set1_epi8(static_cast<char>(kCarriageReturn));
    const __m128i lfs = _mm_set1_epi8(static_cast<char>(kLineFeed));
    // Each block looks one byte past itself, for the LF after a final CR, and its moves read up
    // to sixteen bytes past it.
    while (stop - pos >= 32) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos + 1));
        const auto dropped = static_cast<unsigned>(_mm_movemask_epi8(
            _mm_and_si128(_mm_cmpeq_epi8(block, crs), _mm_cmpeq_epi8(next, lfs))));
        lineFeeds +=
            CountBits(static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lfs))));
        out += CopyLeavingOut(pos, dropped, out);
        pos += 16;
    }
#endif
    for (; pos < stop; ++pos) {
        const std::uint8_t byte = *pos;
        if (byte == kCarriageReturn) {
            if (pos + 1 < stop) {
                if (pos[1] == kLineFeed) continue;
            } else if (atEnd) {
                m_pendingCr = true;
                continue;
            }
        } else if (byte == kLineFeed) {
            ++lineFeeds;
        }
        *out++ = byte;
    }
    const auto written = static_cast<std::size_t>(out - start);
    m_count += written + lineFeeds;
    return written;
}

// CR LF line ends: an LF that no CR precedes gets one; CR LF and lone CRs pass as they are. The
// count is that of the text-mode stream: a CR LF pair counts once.
std::size_t TextModeConverter::ConvertCrLf(const std::uint8_t* pos, const std::uint8_t* stop,
                                           std::uint8_t* out) {
    std::uint8_t* const start = out;
    std::uint64_t pairs = 0;
    std::size_t taken = static_cast<std::size_t>(stop - pos);
#if defined(__SSE2__)
    const __m128i crs = _mm_set1_epi8(static_cast<char>(kCarriageReturn));
    const __m128i lfs = _mm_set1_epi8(static_cast<char>(kLineFeed));
    while (stop - pos >= 32) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pos));
        const auto crBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, crs)));
        const auto lfBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, lfs)));
        const unsigned crBefore = ((crBits << 1) | (m_previousCr ? 1u : 0u)) & 0xFFFFu;
        const unsigned inserted = lfBits & ~crBefore;
        pairs += CountBits(lfBits & crBefore);
        m_previousCr = (crBits >> 15) != 0;
        out += CopyInsertingCr(pos, inserted, out);
        pos += 16;
    }
#endif
    for (; pos < stop; ++pos) {
        const std::uint8_t byte = *pos;
        if (byte == kLineFeed) {
            if (m_previousCr) {
                ++pairs;
            } else {
                *out++ = kCarriageReturn;
            }
        }
        m_previousCr = byte == kCarriageReturn;
        *out++ = byte;
    }
    m_count += taken - pairs;
    return static_cast<std::size_t>(out - start);
}

}  // namespace quillmark
