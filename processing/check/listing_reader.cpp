// listing_reader.cpp - recognising result lines and SFV lines, one line at a time.
#include "processing/check/listing_reader.h"

#include <algorithm>

#include "processing/name_escaping.h"

namespace quillmark {

namespace {

constexpr std::string_view kErrorPrefix = "Error encountered reading the file ";

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Exactly eight hex digits; lowercaseOnly for the form Quillmark itself prints.
bool ParseCrc(std::string_view text, bool lowercaseOnly, std::uint32_t& crc) {
    if (text.size() != 8) return false;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = HexValue(c);
        if (digit < 0 || (lowercaseOnly && c >= 'A' && c <= 'F')) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    crc = value;
    return true;
}

// Decimal digits only, and no value past 2^64 - 1.
bool ParseSize(std::string_view text, std::uint64_t& size) {
    if (text.empty() || text.size() > 20) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) return false;
        value = value * 10 + digit;
    }
    size = value;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

ListingReader::ListingReader(ListingKind expected, bool keepCarriageReturns)
    : m_keepCarriageReturns(keepCarriageReturns), m_kind(expected) {}

void ListingReader::Feed(std::string_view bytes, ListingVisitor& visitor) {
    if (!m_probed) {
        const std::size_t take = std::min(bytes.size(), kTextProbeLength - m_start.size());
        m_start.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (m_start.size() < kTextProbeLength) return;
        ProbeText(visitor);
    }
    FeedLines(bytes, visitor);
}

void ListingReader::Settle(ListingVisitor& visitor) {
    if (!m_probed && !m_start.empty()) ProbeText(visitor);
}

void ListingReader::ProbeText(ListingVisitor& visitor) {
    m_probed = true;
    std::string start = std::move(m_start);
    m_start = std::string();
    std::string_view text = start;
    if (StartsWith(text, "\xEF\xBB\xBF")) text.remove_prefix(3);
    const bool nul = text.find('\0') != std::string_view::npos;
    // With no byte-order mark, UTF-16 text of Latin letters is every other byte a NUL.
    const bool utf16 = StartsWith(text, "\xFF\xFE") || StartsWith(text, "\xFE\xFF") ||
                       (text.size() >= 2 && (text[0] == '\0') != (text[1] == '\0'));
    if (utf16) {
        m_notText = "UTF-16 text";
    } else if (nul) {
        m_notText = "a NUL byte in its first 64 KiB";
    }
    if (!m_notText.empty()) {
        m_stopped = true;
        return;
    }
    FeedLines(text, visitor);
}

void ListingReader::FeedLines(std::string_view bytes, ListingVisitor& visitor) {
    while (!bytes.empty() && !m_stopped) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!m_lineTooLong) {
            if (m_line.size() + piece.size() > kMaxLineLength) {
                m_lineTooLong = true;
                m_line.clear();
                m_line.shrink_to_fit();
            } else {
                m_line.append(piece);
            }
        }
        if (end == std::string_view::npos) return;
        EndLine(visitor);
        bytes.remove_prefix(end + 1);
    }
}

void ListingReader::Finish(ListingVisitor& visitor) {
    if (!m_probed) ProbeText(visitor);
    if (m_stopped) return;
    if (!m_line.empty() || m_lineTooLong) EndLine(visitor);
    if (!m_stopped && m_block != BlockState::None) {
        m_block = BlockState::None;
        Malformed(m_entry.line, visitor);
    }
}

void ListingReader::EndLine(ListingVisitor& visitor) {
    ++m_lineNumber;
    if (m_lineTooLong) {
        m_lineTooLong = false;
        if (m_block != BlockState::None) {
            m_block = BlockState::None;
            Malformed(m_entry.line, visitor);
        }
        Malformed(m_lineNumber, visitor);
        return;
    }
    std::string_view line = m_line;
    // A CR inside a name is always escaped, so one at the end is the line end of CR LF text.
    if (!m_keepCarriageReturns && !line.empty() && line.back() == '\r') line.remove_suffix(1);
    ProcessLine(line, visitor);
    m_line.clear();
}

void ListingReader::ProcessLine(std::string_view line, ListingVisitor& visitor) {
    if (m_block != BlockState::None) {
        if (ContinueBlock(line, visitor)) return;
        // The block is cut short; the line that cut it may start something of its own.
        m_block = BlockState::None;
        Malformed(m_entry.line, visitor);
        if (m_stopped) return;
    }
    if (line.empty()) return;
    // No file name holds a NUL: a name cut at one would check some other file.
    if (line.find('\0') != std::string_view::npos) {
        Malformed(m_lineNumber, visitor);
        return;
    }
    if (m_kind != ListingKind::Sfv && TryQuillmarkLine(line, visitor)) return;
    if (m_kind != ListingKind::Quillmark && TrySfvLine(line, visitor)) return;
    Malformed(m_lineNumber, visitor);
}

bool ListingReader::TryQuillmarkLine(std::string_view line, ListingVisitor& visitor) {
    const bool escaped = line.front() == '\\';
    std::string_view rest = escaped ? line.substr(1) : line;
    auto takePath = [&](std::string_view text) {
        if (!escaped) {
            m_entry.path.assign(text);
            return true;
        }
        return UnescapeListingPath(text, m_entry.path) &&
               m_entry.path.find('\0') == std::string::npos;
    };
    m_entry = ListingEntry{};
    m_entry.line = m_lineNumber;
    m_entry.kind = ListingKind::Quillmark;

    for (const bool lower : {false, true}) {
        const std::string_view label = lower ? "filename: " : "Filename: ";
        if (!StartsWith(rest, label)) continue;
        const std::string_view path = rest.substr(label.size());
        if (path.empty() || !takePath(path)) return false;
        m_kind = ListingKind::Quillmark;
        m_block = BlockState::WantSize;
        m_blockLowercase = lower;
        return true;
    }
    if (StartsWith(rest, kErrorPrefix)) {
        const std::string_view path = rest.substr(kErrorPrefix.size());
        if (path.empty() || !takePath(path)) return false;
        m_entry.recorded = false;
        m_kind = ListingKind::Quillmark;
        Emit(visitor);
        return true;
    }
    // "%08lx %12llu   %s": the size right-aligned in twelve columns or wider.
    if (rest.size() < 9 || rest[8] != ' ' || !ParseCrc(rest.substr(0, 8), true, m_entry.crc)) {
        return false;
    }
    std::size_t at = 9;
    while (at < rest.size() && rest[at] == ' ') ++at;
    const std::size_t digits = at;
    while (at < rest.size() && rest[at] >= '0' && rest[at] <= '9') ++at;
    const std::size_t width = at - 9;
    if (width < 12 || (width > 12 && digits != 9)) return false;
    if (!ParseSize(rest.substr(digits, at - digits), m_entry.size)) return false;
    if (rest.substr(at, 3) != "   " || rest.size() == at + 3) return false;
    if (!takePath(rest.substr(at + 3))) return false;
    m_entry.hasSize = true;
    m_kind = ListingKind::Quillmark;
    Emit(visitor);
    return true;
}

bool ListingReader::ContinueBlock(std::string_view line, ListingVisitor& visitor) {
    if (m_block == BlockState::WantSize) {
        const std::string_view label = m_blockLowercase ? "file size: " : "File size: ";
        if (!StartsWith(line, label) || !ParseSize(line.substr(label.size()), m_entry.size)) {
            return false;
        }
        m_entry.hasSize = true;
        m_block = BlockState::WantCrc;
        return true;
    }
    const std::string_view label = m_blockLowercase ? "crc 32: " : "CRC 32: ";
    if (!StartsWith(line, label) || !ParseCrc(line.substr(label.size()), true, m_entry.crc)) {
        return false;
    }
    m_block = BlockState::None;
    Emit(visitor);
    return true;
}

bool ListingReader::TrySfvLine(std::string_view line, ListingVisitor& visitor) {
    if (line.front() == ';') {
        m_kind = ListingKind::Sfv;
        if (!visitor.OnComment(line, m_lineNumber)) m_stopped = true;
        return true;
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    const std::size_t gap = line.find_last_of(" \t");
    if (gap == std::string_view::npos || gap == 0) return false;
    m_entry = ListingEntry{};
    if (!ParseCrc(line.substr(gap + 1), false, m_entry.crc)) return false;
    // The name is everything before the last gap, spaces it ends in included, as SFV checkers
    // read it; "./" and ".//" lead to the same relative name.
    std::string_view name = line.substr(0, gap);
    while (name.size() > 2 && StartsWith(name, "./")) {
        name.remove_prefix(2);
        while (name.size() > 1 && name.front() == '/') name.remove_prefix(1);
    }
    if (name.empty() || name == "/") return false;
    m_entry.path.assign(name);
    m_entry.line = m_lineNumber;
    m_entry.kind = ListingKind::Sfv;
    m_kind = ListingKind::Sfv;
    Emit(visitor);
    return true;
}

void ListingReader::Emit(ListingVisitor& visitor) {
    ++m_entries;
    if (!visitor.OnEntry(m_entry)) m_stopped = true;
}

void ListingReader::Malformed(std::uint64_t line, ListingVisitor& visitor) {
    if (!visitor.OnMalformedLine(line)) m_stopped = true;
}

}  // namespace quillmark
