// sfv_writer.h - a run's tabular result lines turned into SFV lines that SFV checkers read.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "processing/check/listing_reader.h"
#include "processing/output_sink.h"

namespace quillmark {

// "; Quillmark VERSION" with ", ASCII mode" or ", Unix LF mode" for a text read; no date, so the
// same tree gives the same bytes.
std::string SfvHeaderLine(std::uint8_t flags);

// Takes the text a tabular run writes (whole lines, in any pieces) and passes on "PATH CRC"
// lines. A file SFV cannot hold - one with no CRC, or a name with a line break - is left out and
// told to leftOut with the reason.
class SfvSink : public OutputSink, private ListingVisitor {
public:
    using LeftOut = std::function<void(std::string_view path, std::string_view reason)>;

    SfvSink(OutputSink& target, LeftOut leftOut);

    bool Write(std::string_view text) override;
    // Also passes on the last line held back to see whether its name went on past a line break.
    bool Flush() override;
    // Header lines and other text that is already SFV.
    bool WriteVerbatim(std::string_view text);

private:
    bool OnEntry(const ListingEntry& entry) override;
    bool OnMalformedLine(std::uint64_t line) override;
    bool PassPending();

    OutputSink& m_target;
    LeftOut m_leftOut;
    ListingReader m_reader{ListingKind::Quillmark, true};
    std::optional<ListingEntry> m_pending;
    bool m_failed = false;
};

}  // namespace quillmark
