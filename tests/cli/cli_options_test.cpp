// cli_options_test.cpp - from the command line to the settings record: flags, interlocks,
// --settings, and what ends the program before any run.
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli_test_support.h"
#include "settings/settings_file.h"

namespace quillmark {
namespace {

struct Parsed {
    std::optional<int> status;
    CliOptions options;
    std::string out;
    std::string err;
};

Parsed Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "quillmark-cli");
    std::vector<const char*> argv;
    for (const auto& arg : args) argv.push_back(arg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    Parsed parsed;
    parsed.status =
        ParseCommandLine(static_cast<int>(argv.size()), argv.data(), parsed.options, out, err);
    parsed.out = out.str();
    parsed.err = err.str();
    return parsed;
}

CliFlags Flags(std::initializer_list<bool CliFlags::*> given) {
    CliFlags flags;
    for (auto flag : given) flags.*flag = true;
    return flags;
}

struct InterlockCase {
    const char* name;
    CliFlags flags;
    CCRCSettings before;  // what the defaults or a settings file held
    std::int32_t sort, noRecursion, dirWildcards, lowercase, unixLF, style, readMode;
    std::uint8_t flagByte;
};

CCRCSettings WithEverythingOn() {
    CCRCSettings record;
    record.m_bSortOutput = 1;
    record.m_bNoRecursion = 1;
    record.m_bDirWildcards = 1;
    record.m_bLowercase = 1;
    record.m_bUnixLF = 1;
    record.m_nReadMode = 0;
    record.m_nOutputStyle = 0;
    return record;
}

TEST(CliFlags, MapOntoTheRecordWithTheSettingsDialogInterlocks) {
    const std::vector<InterlockCase> cases = {
        {"nothing", {}, {}, 0, 0, 0, 0, 0, 0, 1, 0x00},
        {"ascii", Flags({&CliFlags::ascii}), {}, 0, 0, 0, 0, 0, 0, 0, OPT_ASCII_MODE},
        {"tabular lowercase",
         Flags({&CliFlags::lowercase, &CliFlags::tabular}),
         {},
         0,
         0,
         0,
         1,
         0,
         1,
         1,
         OPT_LOWERCASE},
        {"sort forces tabular, drops lowercase",
         Flags({&CliFlags::sort, &CliFlags::lowercase}),
         {},
         1,
         0,
         0,
         0,
         0,
         1,
         1,
         OPT_SORT},
        {"unix lf forces binary",
         Flags({&CliFlags::unixLF, &CliFlags::ascii}),
         {},
         0,
         0,
         0,
         0,
         1,
         0,
         1,
         OPT_UNIX_LF},
        {"no recursion drops dir wildcards",
         Flags({&CliFlags::noRecursion, &CliFlags::dirWildcards}),
         {},
         0,
         1,
         0,
         0,
         0,
         0,
         1,
         OPT_NO_RECURSION},
        {"dir wildcards alone",
         Flags({&CliFlags::dirWildcards}),
         {},
         0,
         0,
         1,
         0,
         0,
         0,
         1,
         OPT_DIR_WILDCARDS},
        {"interlocks apply to a loaded record too",
         {},
         WithEverythingOn(),
         1,
         1,
         0,
         0,
         1,
         1,
         1,
         OPT_SORT | OPT_NO_RECURSION | OPT_UNIX_LF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CCRCSettings record = c.before;
        ApplyCliFlags(c.flags, record);
        EXPECT_EQ(record.m_bSortOutput, c.sort);
        EXPECT_EQ(record.m_bNoRecursion, c.noRecursion);
        EXPECT_EQ(record.m_bDirWildcards, c.dirWildcards);
        EXPECT_EQ(record.m_bLowercase, c.lowercase);
        EXPECT_EQ(record.m_bUnixLF, c.unixLF);
        EXPECT_EQ(record.m_nOutputStyle, c.style);
        EXPECT_EQ(record.m_nReadMode, c.readMode);
        EXPECT_EQ(record.m_flags, c.flagByte);
        EXPECT_EQ(record.m_nOutputDest, 1);
    }
}

TEST(CliFlags, OutputFileSelectsTheFileDestination) {
    CCRCSettings record;
    CliFlags flags;
    flags.outputFile = "sums.txt";
    ApplyCliFlags(flags, record);
    EXPECT_EQ(record.m_strOutput, "sums.txt");
    EXPECT_EQ(record.m_nOutputDest, 0);
}

TEST(CliParse, LongAndShortSpellingsGiveTheSameRecord) {
    const Parsed shortForm = Parse({"-n", "-l", "-a", "-t", "-o", "f.txt", "in1", "in2"});
    const Parsed longForm = Parse({"--no-recursion", "--lowercase", "--ascii", "--tabular",
                                   "--output", "f.txt", "in1", "in2"});
    ASSERT_FALSE(shortForm.status.has_value()) << shortForm.err;
    ASSERT_FALSE(longForm.status.has_value()) << longForm.err;
    EXPECT_EQ(EncodeSettings(shortForm.options.settings),
              EncodeSettings(longForm.options.settings));
    EXPECT_EQ(shortForm.options.settings.m_flags,
              OPT_NO_RECURSION | OPT_LOWERCASE | OPT_ASCII_MODE);
    EXPECT_EQ(shortForm.options.inputs, (std::vector<std::string>{"in1", "in2"}));
}

TEST(CliParse, ProgressChoice) {
    EXPECT_EQ(Parse({"x"}).options.progress, ProgressChoice::WhenTerminal);
    EXPECT_EQ(Parse({"--progress", "x"}).options.progress, ProgressChoice::Always);
    EXPECT_EQ(Parse({"--no-progress", "x"}).options.progress, ProgressChoice::Never);
}

TEST(CliParse, EndingsBeforeAnyRun) {
    EXPECT_EQ(Parse({"--help"}).status, 0);
    EXPECT_NE(Parse({"--help"}).out.find("--unix-lf"), std::string::npos);
    EXPECT_EQ(Parse({"--version"}).status, 0);
    EXPECT_EQ(Parse({}).status, 2);
    EXPECT_EQ(Parse({"--bogus", "x"}).status, 2);
    EXPECT_EQ(Parse({"--settings"}).status, 2);
}

class CliSettingsFileTest : public testing::CliTest {};

TEST_F(CliSettingsFileTest, FileOptionsThenLineFlags) {
    CCRCSettings stored;
    stored.m_bLowercase = 1;
    stored.m_nReadMode = 0;
    stored.m_strInput = "not used";
    stored.m_strOutput = "stored.txt";
    stored.m_nOutputDest = 0;
    stored.m_flags = 0x80;  // recomputed: the byte follows the final options
    const std::string path = (m_dir / "settings.dat").string();
    ASSERT_TRUE(WriteSettingsFile(path, stored));

    const Parsed parsed = Parse({"--settings", path, "-s", "x"});
    ASSERT_FALSE(parsed.status.has_value()) << parsed.err;
    const CCRCSettings& record = parsed.options.settings;
    EXPECT_EQ(record.m_bSortOutput, 1);
    EXPECT_EQ(record.m_bLowercase, 0);
    EXPECT_EQ(record.m_nOutputStyle, 1);
    EXPECT_EQ(record.m_nReadMode, 0);
    EXPECT_EQ(record.m_strOutput, "stored.txt");
    EXPECT_EQ(record.m_nOutputDest, 0);
    EXPECT_EQ(record.m_flags, OPT_SORT | OPT_ASCII_MODE);
}

TEST_F(CliSettingsFileTest, DamagedFileEndsWithUsageStatus) {
    const std::string path = (m_dir / "settings.dat").string();
    testing::WriteFile(path, std::string(34, '\0'));
    const Parsed parsed = Parse({"--settings", path, "x"});
    EXPECT_EQ(parsed.status, 2);
    EXPECT_NE(parsed.err.find(path), std::string::npos);
}

}  // namespace
}  // namespace quillmark
