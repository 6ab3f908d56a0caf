// descriptor_sink.h - the screen destination of the command line: standard output, buffered.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "processing/output_sink.h"

namespace quillmark {

// Text goes out byte for byte, LF line ends kept, each Write whole in one write call. Once a write
// has failed every later Write and Flush fails too, so a run stops at the first lost byte; a
// regular file then keeps every whole text that reached it and loses the piece of the one that
// did not (a full disk, a size limit).
class DescriptorSink : public OutputSink {
public:
    // flushEachWrite: hand every text on at once (a terminal shows each result as it comes).
    DescriptorSink(int fd, bool flushEachWrite);

    bool Write(std::string_view text) override;
    bool Flush() override;

    // Called around each batch of bytes that goes out, so a progress line on the same terminal
    // can step aside and come back below the new text.
    void SetAroundOutput(std::function<void()> before, std::function<void()> after) {
        m_beforeOutput = std::move(before);
        m_afterOutput = std::move(after);
    }
    bool Failed() const { return m_errno != 0; }
    int ErrorNumber() const { return m_errno; }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;

    int m_fd;
    bool m_flushEachWrite;
    int m_errno = 0;
    std::string m_buffer;
    std::vector<std::size_t> m_recordEnds;  // where each text in m_buffer ends
    std::function<void()> m_beforeOutput;
    std::function<void()> m_afterOutput;
};

}  // namespace quillmark
