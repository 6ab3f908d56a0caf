// listing_check_fuzz.cpp - fuzz target: the check run on any listing, in a scratch directory of
// awkward names that it cannot leave, with its outcome lines and counts held to each other.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <string_view>

#include "platform/open_fault.h"
#include "processing/check/listing_check.h"
#include "processing/name_escaping.h"

namespace {

namespace fs = std::filesystem;
using namespace quillmark;

class TextSink : public OutputSink {
public:
    bool Write(std::string_view text) override {
        text_.append(text);
        return true;
    }
    std::string text_;
};

class CountingReporter : public CheckReporter {
public:
    void OnMalformedLine(std::string_view, std::uint64_t) override { ++malformed; }
    void OnNotice(std::string_view) override {}
    std::uint64_t malformed = 0;
};

// The files the listings may name: mixed case, a backslash, trailing and inner spaces, control
// and non-UTF-8 bytes, a subdirectory. Every open of any other name fails, so a listing naming
// "/proc/kcore" or "../../x" reads nothing outside.
const char* const kScratchFiles[] = {"a.txt",   "Sub/B.TXT",   "Sub/deep/c",  "back\\slash",
                                     "sp ace ", "esc\x1b[2Kx", "bad\xff.bin", "empty"};

fs::path& Scratch() {
    static fs::path scratch;
    return scratch;
}

std::set<std::string>& AllowedNames() {
    static std::set<std::string> names;
    return names;
}

bool SetUpScratch() {
    char pattern[] = "/tmp/quillmark-check-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return false;
    const fs::path scratch = pattern;
    Scratch() = scratch;
    std::atexit([] {
        std::error_code ignored;
        fs::remove_all(Scratch(), ignored);
    });
    for (const fs::path& part : scratch) AllowedNames().insert(part.string());
    for (const char* name : kScratchFiles) {
        const fs::path path = scratch / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << (std::string(name) == "empty" ? "" : name);
        for (const fs::path& part : fs::path(name)) AllowedNames().insert(part.string());
    }
    AllowedNames().insert("listing");
    AllowedNames().insert(".");
    SetOpenFaultForTesting([](std::string_view name) {
        return AllowedNames().count(std::string(name)) != 0 ? 0 : EACCES;
    });
    return ::chdir(pattern) == 0;
}

// One outcome line without its line end: a name that is not escaped, or one that reads back.
void CheckOutcomeLine(std::string_view line, bool forDisplay) {
    for (const char c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\n' || byte == '\r') std::abort();
        if (forDisplay && (byte < 0x20 || byte == 0x7F)) std::abort();
    }
    const std::size_t colon = line.rfind(": ");
    if (colon == std::string_view::npos) std::abort();
    if (!line.empty() && line.front() == '\\') {
        std::string name;
        if (!UnescapeListingPath(line.substr(1, colon - 1), name)) std::abort();
        if (forDisplay && EscapeNameForDisplay(name) != line.substr(1, colon - 1)) std::abort();
    } else if (forDisplay && NeedsDisplayEscape(line.substr(0, colon))) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool ready = SetUpScratch();
    if (!ready) std::abort();
    if (size == 0) return 0;
    // The first byte chooses the check's options; the rest is the listing.
    const std::uint8_t control = data[0];
    {
        std::ofstream listing("listing", std::ios::binary | std::ios::trunc);
        listing.write(reinterpret_cast<const char*>(data + 1),
                      static_cast<std::streamsize>(size - 1));
    }
    CheckOptions options;
    options.readMode = (control & 1u) != 0 ? ReadMode::Ascii : ReadMode::Binary;
    options.quiet = (control & 2u) != 0;
    options.ignoreMissing = (control & 4u) != 0;
    options.reportNew = (control & 8u) != 0;
    options.forDisplay = (control & 16u) != 0;
    if ((control & 32u) != 0) options.rebase.emplace_back("D:\\DATA", "Sub");
    options.jobs = 1 + ((control >> 6) & 1u);

    TextSink outcomes;
    CountingReporter reporter;
    SilentProgressView progress;
    CheckEnvironment env{outcomes, reporter, progress};
    CheckCounts counts;
    const ListingCheck check = CheckListing("listing", options, env, counts);
    if (check.status == ListingStatus::Cancelled || check.status == ListingStatus::WriteFailed) {
        std::abort();
    }
    if (counts.malformed != reporter.malformed) std::abort();

    // One line per outcome counted, OK lines left out when quiet.
    std::uint64_t lines = 0;
    std::string_view text = outcomes.text_;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) std::abort();
        CheckOutcomeLine(text.substr(0, end), options.forDisplay);
        text.remove_prefix(end + 1);
        ++lines;
    }
    const std::uint64_t expected =
        counts.Entries() + counts.added - (options.quiet ? counts.ok : 0);
    if (lines != expected) std::abort();
    if (!check.notTextReason.empty() && (counts.Entries() != 0 || counts.malformed != 0)) {
        std::abort();
    }
    FormatCheckSummary(counts);
    return 0;
}
