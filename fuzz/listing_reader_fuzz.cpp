// listing_reader_fuzz.cpp - fuzz target: the listing reader on any bytes, fed whole and in pieces.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "processing/check/listing_reader.h"

namespace {

using quillmark::ListingEntry;
using quillmark::ListingKind;
using quillmark::ListingReader;

struct Recorded : quillmark::ListingVisitor {
    std::vector<std::string> events;

    bool OnEntry(const ListingEntry& entry) override {
        std::string event = std::to_string(entry.line) + (entry.recorded ? " R " : " E ") +
                            std::to_string(entry.size) + " " + std::to_string(entry.crc) + " " +
                            entry.path;
        if (entry.path.empty()) std::abort();
        events.push_back(std::move(event));
        return true;
    }
    bool OnMalformedLine(std::uint64_t line) override {
        events.push_back("malformed " + std::to_string(line));
        return true;
    }
};

std::vector<std::string> ReadInPieces(std::string_view bytes, std::size_t step, ListingKind kind,
                                      bool keepCr) {
    ListingReader reader(kind, keepCr);
    Recorded visitor;
    while (!bytes.empty()) {
        const std::size_t take = step < bytes.size() ? step : bytes.size();
        reader.Feed(bytes.substr(0, take), visitor);
        bytes.remove_prefix(take);
    }
    reader.Finish(visitor);
    // Bytes refused as not text give no entry and no malformed line.
    if (!reader.NotTextReason().empty() && !visitor.events.empty()) std::abort();
    visitor.events.push_back("not text: " + reader.NotTextReason());
    return visitor.events;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte chooses the piece size and the reader's setup; the rest is the listing.
    const std::uint8_t control = data[0];
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const ListingKind kinds[] = {ListingKind::Unknown, ListingKind::Quillmark, ListingKind::Sfv,
                                 ListingKind::Unknown};
    const ListingKind kind = kinds[control & 3u];
    const bool keepCr = (control & 4u) != 0;
    const std::size_t step = 1 + (control >> 3);

    // Any split of the same bytes must give the same entries and malformed lines.
    if (ReadInPieces(bytes, bytes.size() + 1, kind, keepCr) !=
        ReadInPieces(bytes, step, kind, keepCr)) {
        std::abort();
    }
    return 0;
}
