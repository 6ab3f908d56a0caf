// read_mode.h - how a file's bytes are taken for its checksum.
#pragma once

namespace quillmark {

enum class ReadMode {
    Binary,  // every byte as it is
    Ascii,   // text mode: CR LF read as LF, the first Ctrl-Z ends the text
    UnixLf,  // text mode, then each LF checksummed as CR LF, so LF and CR LF texts agree
};

}  // namespace quillmark
