// confirmation_text_test.cpp - the "Start CRC Processing" summary for the combinations that decide
// each of its lines.
#include "ui/confirmation_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/option_flags.h"

namespace quillmark::testing {
namespace {

const std::string kHead = "Do you wish to use the currently specified file(s) and options?\n";

CCRCSettings Defaults() {
    CCRCSettings settings;
    settings.ResetDefaults();
    settings.m_strInput = "/in";
    settings.UpdateFlags();
    return settings;
}

// The part between "Processing Options:" and the blank line before "File Options:".
std::string ProcessingSection(const std::string& summary) {
    const std::string start = "\nProcessing Options:";
    const std::size_t from = summary.find(start) + start.size();
    return summary.substr(from, summary.find("\n\nFile Options:") - from);
}

struct SectionCase {
    const char* name;
    std::function<void(CCRCSettings&)> change;
    const char* expected;
    // The flag byte as a settings.dat whose byte disagrees with the fields may leave it.
    std::optional<std::uint8_t> loadedFlags = std::nullopt;
};

TEST(RunOutcome, ProcessingOptionsListWhatIsSetAndNoneSelectedOnlyForAZeroFlagByte) {
    const std::vector<SectionCase> cases = {
        {"all off, binary", [](CCRCSettings&) {}, "\nRecursion enabled\nNone selected"},
        {"ASCII reading sets a flag bit", [](CCRCSettings& s) { s.m_nReadMode = 0; },
         "\nRecursion enabled"},
        {"no recursion alone lists nothing", [](CCRCSettings& s) { s.m_bNoRecursion = 1; }, ""},
        {"everything on",
         [](CCRCSettings& s) {
             s.m_bSortOutput = s.m_bDirWildcards = s.m_bLowercase = s.m_bUnixLF = 1;
         },
         "\nSort all files\nRecursion enabled\nDirectory wildcards being used"
         "\nPrint output in lowercase\nFiles are from Unix filesystem"},
        {"loaded zero byte, sort set", [](CCRCSettings& s) { s.m_bSortOutput = 1; },
         "\nSort all files\nRecursion enabled\nNone selected", 0},
        {"loaded byte with a bit, all off", [](CCRCSettings&) {}, "\nRecursion enabled",
         OPT_LOWERCASE},
    };
    for (const SectionCase& c : cases) {
        CCRCSettings settings = Defaults();
        c.change(settings);
        settings.UpdateFlags();
        if (c.loadedFlags) settings.m_flags = *c.loadedFlags;
        EXPECT_EQ(ProcessingSection(BuildConfirmationText(settings)), c.expected) << c.name;
    }
}

struct DestinationCase {
    int dest;
    const char* output;
    const char* expected;
};

TEST(RunOutcome, OutputFileIsNamedOnlyWhenItIsTheDestinationAndHasAName) {
    for (const DestinationCase& c : {
             DestinationCase{0, "out.txt", "\nOutput file: out.txt"},
             DestinationCase{1, "out.txt", "\nOutput is displayed in window"},
             DestinationCase{0, "", "\nOutput is displayed in window"},
             DestinationCase{1, "", "\nOutput is displayed in window"},
         }) {
        CCRCSettings settings = Defaults();
        settings.m_nOutputDest = c.dest;
        settings.m_strOutput = c.output;
        const std::string summary = BuildConfirmationText(settings);
        EXPECT_NE(summary.find(std::string("\nInput file: /in") + c.expected + "\n\nOutput Style:"),
                  std::string::npos)
            << c.dest << " '" << c.output << "'\n"
            << summary;
    }
}

TEST(RunOutcome, WholeTextForATabularAsciiRunToAFile) {
    CCRCSettings settings = Defaults();
    settings.m_nReadMode = 0;
    settings.m_nOutputStyle = 1;
    settings.m_bNoRecursion = 1;
    settings.m_nOutputDest = 0;
    settings.m_strOutput = "crc.log";
    settings.m_strInput = "/data/*.c";
    settings.UpdateFlags();
    EXPECT_EQ(BuildConfirmationText(settings), kHead +
                                                   "\nProcessing Options:"
                                                   "\n\nFile Options:"
                                                   "\nReading files in ASCII mode"
                                                   "\nInput file: /data/*.c"
                                                   "\nOutput file: crc.log"
                                                   "\n\nOutput Style: Tabular format");

    settings = Defaults();
    EXPECT_EQ(BuildConfirmationText(settings), kHead +
                                                   "\nProcessing Options:"
                                                   "\nRecursion enabled"
                                                   "\nNone selected"
                                                   "\n\nFile Options:"
                                                   "\nReading files in binary mode"
                                                   "\nInput file: /in"
                                                   "\nOutput is displayed in window"
                                                   "\n\nOutput Style: Descriptive format");

    // Names with control characters cannot add lines of their own to the summary.
    settings.m_strInput = "/in\nRecursion enabled";
    settings.m_strOutput = "out\x1b.log";
    settings.m_nOutputDest = 0;
    const std::string summary = BuildConfirmationText(settings);
    EXPECT_NE(summary.find("\nInput file: /in\\nRecursion enabled\nOutput file: out\\x1b.log\n"),
              std::string::npos)
        << summary;
}

}  // namespace
}  // namespace quillmark::testing
