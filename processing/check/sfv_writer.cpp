// sfv_writer.cpp - results written as SFV lines.
#include "processing/check/sfv_writer.h"

#include "processing/name_escaping.h"
#include "processing/result_line_append.h"
#include "settings/option_flags.h"

namespace quillmark {

std::string SfvHeaderLine(std::uint8_t flags) {
    std::string line = "; Quillmark " QUILLMARK_VERSION;
    if (flags & OPT_UNIX_LF) {
        line += ", Unix LF mode";
    } else if (flags & OPT_ASCII_MODE) {
        line += ", ASCII mode";
    }
    line += '\n';
    return line;
}

void SfvFormat::Append(std::string& text, std::string_view path, std::uint64_t, std::uint32_t crc,
                       bool readable) const {
    if (!readable) {
        m_leftOut(path, "no CRC, the file could not be read");
        return;
    }
    if (NeedsListingEscape(path)) {
        m_leftOut(path, "its name holds a line break");
        return;
    }
    // SFV checkers take the name to end at the last space before the CRC.
    if (!path.empty() && path.back() == ' ') {
        m_leftOut(path, "its name ends in a space");
        return;
    }
    if (m_forDisplay && NeedsDisplayEscape(path)) {
        // Only a person reads this: the name must not be able to garble the terminal.
        text += '\\';
        text += EscapeNameForDisplay(path);
    } else {
        text += path;
    }
    text += ' ';
    AppendCrcHex(text, crc, HexLetters::Upper);
    text += '\n';
}

}  // namespace quillmark
