// listing_reader.h - the entries of a listing read as a stream of bytes: Quillmark's own result
// lines (descriptive blocks, tabular lines, read-error lines, escaped names) or SFV lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

enum class ListingKind { Unknown, Quillmark, Sfv };

struct ListingEntry {
    // Unescaped, exactly as recorded, Windows backslashes and drive letters included (SFV:
    // without a leading "./"): the check decides what they mean.
    std::string path;
    std::uint64_t line = 0;  // where the entry starts, counted from 1
    ListingKind kind = ListingKind::Quillmark;
    bool recorded = true;  // false for a read-error line: no size, no CRC
    bool hasSize = false;  // SFV records no size
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

class ListingVisitor {
public:
    virtual ~ListingVisitor() = default;
    // Returning false stops the reader: later bytes are ignored.
    virtual bool OnEntry(const ListingEntry& entry) = 0;
    virtual bool OnMalformedLine(std::uint64_t line) = 0;
    // An SFV comment line (starting with ';'), such as the header that names a listing's mode.
    virtual bool OnComment(std::string_view /*line*/, std::uint64_t /*number*/) { return true; }
};

// A listing is text: the first 64 KiB are looked at before any line is read, and bytes that are
// not text (a NUL, UTF-16) stop the reader with the reason and no entry; a UTF-8 byte-order mark
// is skipped. Lines may end in LF or CR LF. The kind is settled by the first line that fits one:
// after that, lines of the other kind are malformed, so a tabular path that happens to end in eight
// hex digits is never read as SFV. Memory is bounded by kMaxLineLength whatever the input.
class ListingReader {
public:
    // Longer lines are malformed; a path of many thousand bytes still fits with room to spare.
    static constexpr std::size_t kMaxLineLength = 1 << 20;
    // How much of the start is looked at to tell text from other bytes.
    static constexpr std::size_t kTextProbeLength = 64 * 1024;

    // expected: Quillmark or Sfv to accept only that kind; Unknown to recognise it.
    // keepCarriageReturns: a CR before LF stays part of the line (for text that uses LF only).
    explicit ListingReader(ListingKind expected = ListingKind::Unknown,
                           bool keepCarriageReturns = false);

    // Any split of the bytes into calls gives the same entries.
    void Feed(std::string_view bytes, ListingVisitor& visitor);
    // The last line, when it has no line end, and a block left open.
    void Finish(ListingVisitor& visitor);
    // The input has paused (a pipe with nothing to read yet): the bytes held back for the text
    // probe are looked at now, so entries that came slowly are read without waiting for more.
    void Settle(ListingVisitor& visitor);

    ListingKind Kind() const { return m_kind; }
    std::uint64_t EntryCount() const { return m_entries; }
    bool Stopped() const { return m_stopped; }
    // Why the bytes are not a listing at all ("UTF-16 text", ...); empty while they may be one.
    const std::string& NotTextReason() const { return m_notText; }

private:
    enum class BlockState { None, WantSize, WantCrc };

    void FeedLines(std::string_view bytes, ListingVisitor& visitor);
    void ProbeText(ListingVisitor& visitor);
    void EndLine(ListingVisitor& visitor);
    void ProcessLine(std::string_view line, ListingVisitor& visitor);
    bool TryQuillmarkLine(std::string_view line, ListingVisitor& visitor);
    bool TrySfvLine(std::string_view line, ListingVisitor& visitor);
    bool ContinueBlock(std::string_view line, ListingVisitor& visitor);
    void Emit(ListingVisitor& visitor);
    void Malformed(std::uint64_t line, ListingVisitor& visitor);

    const bool m_keepCarriageReturns;
    ListingKind m_kind;
    bool m_probed = false;
    std::string m_start;  // the first bytes, held until they are known to be text
    std::string m_notText;
    std::string m_line;
    bool m_lineTooLong = false;
    std::uint64_t m_lineNumber = 0;  // of the line being gathered, once it is complete
    std::uint64_t m_entries = 0;
    bool m_stopped = false;

    BlockState m_block = BlockState::None;
    bool m_blockLowercase = false;
    ListingEntry m_entry;
};

}  // namespace quillmark
