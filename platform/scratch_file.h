// scratch_file.h - bytes put aside on disk for the length of one task and read back in order,
// so a task that must pass over its own records more than once holds none of them in memory.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_descriptor.h"

namespace quillmark {

class ScratchFile {
public:
    // An unnamed file in $TMPDIR (or /tmp), gone when closed. When none can be made, or it fills
    // up, the bytes that do not fit are kept in memory instead: never lost.
    ScratchFile();
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    void Append(std::string_view bytes);
    // Every byte appended so far, in order, in pieces of any size; false from the visitor stops
    // the pass. False when the bytes could not be read back whole.
    bool ForEachPiece(const std::function<bool(std::string_view)>& visit);

    // Bytes held in memory: a piece waiting to be written, or all that did not fit on disk.
    std::size_t BytesInMemory() const { return m_pending.size(); }

private:
    void Flush();

    FileDescriptor m_fd;
    off_t m_onDisk = 0;     // bytes written, from the start of the file
    std::string m_pending;  // appended after those
    bool m_diskFailed = false;
};

}  // namespace quillmark
