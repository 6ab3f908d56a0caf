// text_mode_converter.h - the text-mode input conversion (CR LF read as LF, a lone CR kept, the
// first Ctrl-Z ends the stream), performed on buffers of raw file bytes, with the checksum pass's
// optional re-expansion of each LF to CR LF.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillmark {

inline constexpr std::uint8_t kCarriageReturn = 0x0D;
inline constexpr std::uint8_t kLineFeed = 0x0A;
inline constexpr std::uint8_t kEndOfText = 0x1A;  // Ctrl-Z

// Fed the file buffer by buffer. Text mode delivers the stream as a text-mode read would; with
// crLfLineEnds each delivered LF is then written as CR LF, which leaves CR LF text as it is and
// gives LF text a CR before every LF. The count is what the text pass compares with the file's
// size: each delivered byte once, and each LF twice in text mode (for the CR LF it stands for),
// once with crLfLineEnds.
class TextModeConverter {
public:
    explicit TextModeConverter(bool crLfLineEnds) : m_crLf(crLfLineEnds) {}

    // The most bytes Convert can write for size bytes in.
    static constexpr std::size_t OutputRoom(std::size_t size) { return 2 * size + 1; }
    // Converts the buffer into out (OutputRoom(size) bytes); returns how many were written. A CR
    // at the end of the buffer is held back until the next buffer shows whether an LF follows.
    std::size_t Convert(const std::uint8_t* data, std::size_t size, std::uint8_t* out);
    // No more buffers: a held-back CR is written as it is (at most one byte).
    std::size_t Finish(std::uint8_t* out);

    // For converting a file in ranges, each on its own: the range before this one ended with a
    // CR (its conversion depends on nothing else before it).
    void StartAfterCarriageReturn() { m_previousCr = true; }
    // The end of a range whose next byte is `next`: a held-back CR is dropped when an LF follows
    // (the next range delivers that LF), else written as Finish would write it.
    std::size_t FinishBefore(std::uint8_t next, std::uint8_t* out);
    // A Ctrl-Z has ended the stream; the rest of the file need not be read.
    bool Ended() const { return m_ended; }
    std::uint64_t Count() const { return m_count; }

private:
    std::size_t ConvertText(const std::uint8_t* pos, const std::uint8_t* stop, bool atEnd,
                            std::uint8_t* out);
    std::size_t ConvertCrLf(const std::uint8_t* pos, const std::uint8_t* stop, std::uint8_t* out);

    bool m_crLf;
    bool m_pendingCr = false;   // text mode: a CR ended the last buffer
    bool m_previousCr = false;  // CR LF line ends: the last byte seen was a CR
    bool m_ended = false;
    std::uint64_t m_count = 0;
};

}  // namespace quillmark
