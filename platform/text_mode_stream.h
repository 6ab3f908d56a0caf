// text_mode_stream.h - the text-mode input conversion (CR LF read as LF, a lone CR kept, the
// first Ctrl-Z ends the stream), performed on buffers of raw file bytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark {

inline constexpr std::uint8_t kCarriageReturn = 0x0D;
inline constexpr std::uint8_t kLineFeed = 0x0A;
inline constexpr std::uint8_t kEndOfText = 0x1A;  // Ctrl-Z

// Delivered bytes: `size` bytes at `data`, then one LF when `endsLine` is set. A run holds no
// other LF, so a line end costs the reader one check rather than a search.
struct TextRun {
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool endsLine = false;
};

// Fed the file buffer by buffer; a CR at the end of one buffer waits for the first byte of the
// next to tell whether it starts a CR LF pair. Usage: Feed a buffer, take runs with Next until it
// returns false, feed the next buffer; after the last buffer call Finish and take the rest.
class TextModeDecoder {
public:
    // The buffer must stay valid until Next has returned false for it.
    void Feed(const std::uint8_t* data, std::size_t size);
    // No more buffers: a held-back CR is delivered as it is.
    void Finish();
    // The next run of delivered bytes from the current buffer; false when it is used up.
    bool Next(TextRun& run);
    // A Ctrl-Z has ended the stream; the rest of the file need not be read.
    bool Ended() const { return m_ended; }

private:
    const std::uint8_t* m_pos = nullptr;
    const std::uint8_t* m_end = nullptr;
    const std::uint8_t* m_stop = nullptr;  // the first Ctrl-Z in the buffer, or m_end
    bool m_pendingCr = false;
    bool m_finished = false;
    bool m_ended = false;
};

}  // namespace quillmark
