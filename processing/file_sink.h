// file_sink.h - the output file: appended to, never truncated, each LF stored as CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regular_file.h"
#include "processing/output_sink.h"

namespace quillmark {

class FileSink : public OutputSink {
public:
    FileSink() = default;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;
    ~FileSink() override;

    // Opens for appending, creating the file when it is missing. False when it cannot be opened,
    // and with regularOnly also when it is not a regular file (the open then never waits).
    bool Open(const std::string& path, bool regularOnly = false);
    bool IsOpen() const { return m_fd >= 0; }
    // Once a write has failed every later Write and Flush fails too: nothing more is added after
    // a gap. Each Write is one result and reaches the file in a single write call; when the
    // disk fills or a size limit stops a write part-way, the file keeps every whole result that
    // got in and loses the piece of the one that did not.
    bool Write(std::string_view text) override;
    bool Flush() override;
    // The open file's device and inode, so a run can leave its own output file out.
    std::optional<FileIdentity> Identity() const;
    // Flushes and closes; false when the flush failed. Closing a closed sink does nothing.
    bool Close();

private:
    int m_fd = -1;
    bool m_failed = false;
    std::string m_buffer;
    std::vector<std::size_t> m_recordEnds;  // where each result in m_buffer ends
};

}  // namespace quillmark
