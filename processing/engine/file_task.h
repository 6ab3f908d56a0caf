// file_task.h - what the engine is fed (a file to open inside an open directory) and what it hands
// back for it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "checksum/crc_table.h"
#include "checksum/read_mode.h"
#include "platform/directory_handle.h"
#include "platform/regular_file.h"

namespace quillmark {

struct FileTask {
    // Null when there is nothing to open: openError says why (0: the feeder wants only its place
    // in the order, as for a listing's entry that recorded no checksum).
    std::shared_ptr<const DirectoryHandle> directory;
    std::shared_ptr<const std::string> directoryText;  // as printed, ending in '/'
    std::string name;
    int openError = 0;
    // A name a listing gave rather than one the directory listed: its type is looked at first.
    NameSource source = NameSource::Listed;
    // A check in binary mode: a file of another size differs whatever its bytes, so it is not
    // read.
    std::optional<std::uint64_t> requiredSize;
    // How this file is read when it differs from the engine's mode (a listing's header says so).
    std::optional<ReadMode> mode;
};

struct FileOutcome {
    CrcResult result;          // with Unreadable and no read: result.error is the open's errno
    bool opened = false;       // found and opened as a regular file
    bool excluded = false;     // the run's own output: reported by nobody
    bool sizeDiffers = false;  // not read: its size is not the required one
};

}  // namespace quillmark
