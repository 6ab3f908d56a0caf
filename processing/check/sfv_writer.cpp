// sfv_writer.cpp - tabular result lines rewritten as SFV lines.
#include "processing/check/sfv_writer.h"

#include "processing/name_escaping.h"
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

SfvSink::SfvSink(OutputSink& target, LeftOut leftOut)
    : m_target(target), m_leftOut(std::move(leftOut)) {}

bool SfvSink::Write(std::string_view text) {
    m_reader.Feed(text, *this);
    return !m_failed;
}

bool SfvSink::Flush() {
    PassPending();
    return !m_failed && m_target.Flush();
}

bool SfvSink::WriteVerbatim(std::string_view text) {
    if (!PassPending()) return false;
    if (!m_failed && !m_target.Write(text)) m_failed = true;
    return !m_failed;
}

bool SfvSink::OnEntry(const ListingEntry& entry) {
    if (!PassPending()) return false;
    if (!entry.recorded) {
        m_leftOut(entry.path, "no CRC, the file could not be read");
        return true;
    }
    if (NeedsListingEscape(entry.path)) {
        m_leftOut(entry.path, "its name holds a line break");
        return true;
    }
    // Held back: until the next line arrives, a name cut by a raw line feed cannot be told from
    // a whole one.
    m_pending = entry;
    return true;
}

bool SfvSink::OnMalformedLine(std::uint64_t) {
    // The rest of a name that held a raw line feed.
    if (m_pending) {
        m_leftOut(m_pending->path, "its name holds a line break");
        m_pending.reset();
    }
    return true;
}

bool SfvSink::PassPending() {
    if (!m_pending || m_failed) return !m_failed;
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string line = m_pending->path;
    line += ' ';
    for (int shift = 28; shift >= 0; shift -= 4) line += kDigits[(m_pending->crc >> shift) & 0xFu];
    line += '\n';
    m_pending.reset();
    if (!m_target.Write(line)) m_failed = true;
    return !m_failed;
}

}  // namespace quillmark
