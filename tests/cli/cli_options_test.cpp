// cli_options_test.cpp - from the command line to the settings record: flags, interlocks and
// --settings.
#include "cli/cli_options.h"

#include <array>
#include <sstream>

#include "settings/option_flags.h"
#include "settings/settings_file.h"
#include "tests/cli/cli_test_support.h"

namespace quillmark::testing {
namespace {

struct Parsed {
    std::optional<int> status;
    CliOptions options;
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
    parsed.err = err.str();
    return parsed;
}

// sort, no recursion, dir wildcards, lowercase, Unix LF, output style, read mode
using Options = std::array<std::int32_t, 7>;

Options OptionsOf(const CCRCSettings& r) {
    return {r.m_bSortOutput, r.m_bNoRecursion, r.m_bDirWildcards, r.m_bLowercase,
            r.m_bUnixLF,     r.m_nOutputStyle, r.m_nReadMode};
}

struct InterlockRow {
    const char* name;
    std::vector<bool CliFlags::*> given;
    bool storedAllOn;  // the record held every option on, as a settings file might
    Options expected;
    int flagByte;
};

TEST(CliFlags, MapOntoTheRecordWithTheSettingsDialogInterlocks) {
    using F = CliFlags;
    const InterlockRow rows[] = {
        {"nothing", {}, false, {0, 0, 0, 0, 0, 0, 1}, 0},
        {"ascii", {&F::ascii}, false, {0, 0, 0, 0, 0, 0, 0}, OPT_ASCII_MODE},
        {"tabular lowercase",
         {&F::lowercase, &F::tabular},
         false,
         {0, 0, 0, 1, 0, 1, 1},
         OPT_LOWERCASE},
        {"sort forces tabular, drops lowercase",
         {&F::sort, &F::lowercase},
         false,
         {1, 0, 0, 0, 0, 1, 1},
         OPT_SORT},
        {"unix lf forces binary",
         {&F::unixLF, &F::ascii},
         false,
         {0, 0, 0, 0, 1, 0, 1},
         OPT_UNIX_LF},
        {"no recursion drops dir wildcards",
         {&F::noRecursion, &F::dirWildcards},
         false,
         {0, 1, 0, 0, 0, 0, 1},
         OPT_NO_RECURSION},
        {"dir wildcards alone",
         {&F::dirWildcards},
         false,
         {0, 0, 1, 0, 0, 0, 1},
         OPT_DIR_WILDCARDS},
        {"interlocks apply to a loaded record too",
         {},
         true,
         {1, 1, 0, 0, 1, 1, 1},
         OPT_SORT | OPT_NO_RECURSION | OPT_UNIX_LF},
    };
    for (const InterlockRow& row : rows) {
        SCOPED_TRACE(row.name);
        CliFlags flags;
        for (auto flag : row.given) flags.*flag = true;
        CCRCSettings record;
        if (row.storedAllOn) {
            record.m_bSortOutput = record.m_bNoRecursion = record.m_bDirWildcards = 1;
            record.m_bLowercase = record.m_bUnixLF = 1;
            record.m_nReadMode = record.m_nOutputStyle = 0;
        }
        ApplyCliFlags(flags, record);
        EXPECT_EQ(OptionsOf(record), row.expected);
        EXPECT_EQ(record.m_flags, row.flagByte);
        EXPECT_EQ(record.m_nOutputDest, 1);
    }
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

// Names that look like lists, or begin with the byte that keeps them whole, are names.
TEST(CliParse, EveryArgumentIsTakenAsWritten) {
    const std::vector<std::string> names = {"[a,b]", "[x]",     "[]",   "[", "]",
                                            "a,b",   "\x01[y]", "\x01", "{}"};
    std::vector<std::string> args = {"-c", "--rebase", "[o=n]", "--"};
    args.insert(args.end(), names.begin(), names.end());
    const Parsed check = Parse(args);
    ASSERT_FALSE(check.status.has_value()) << check.err;
    EXPECT_EQ(check.options.inputs, names);
    ASSERT_EQ(check.options.check.rebase.size(), 1u);
    EXPECT_EQ(check.options.check.rebase[0].first, "[o");
    EXPECT_EQ(check.options.check.rebase[0].second, "n]");

    for (const std::string& name : names) {
        const Parsed output = Parse({"-o", name, "--", name});
        ASSERT_FALSE(output.status.has_value()) << output.err;
        EXPECT_EQ(output.options.settings.m_strOutput, name);
        EXPECT_EQ(output.options.inputs, std::vector<std::string>{name});
    }
}

TEST(CliParse, ProgressChoice) {
    EXPECT_EQ(Parse({"x"}).options.progress, ProgressChoice::WhenTerminal);
    EXPECT_EQ(Parse({"--progress", "x"}).options.progress, ProgressChoice::Always);
    EXPECT_EQ(Parse({"--no-progress", "x"}).options.progress, ProgressChoice::Never);
}

TEST_F(CliTest, SettingsFileOptionsThenLineFlags) {
    CCRCSettings stored;
    stored.m_bLowercase = 1;
    stored.m_nReadMode = 0;
    stored.m_strInput = "not used";
    stored.m_strOutput = "stored.txt";
    stored.m_nOutputDest = 0;
    stored.UpdateFlags();  // recomputed below: the byte follows the final options
    const std::string path = m_dir / "settings.dat";
    ASSERT_TRUE(WriteSettingsFile(path, stored));

    const Parsed parsed = Parse({"--settings", path, "-s", "x"});
    ASSERT_FALSE(parsed.status.has_value()) << parsed.err;
    const CCRCSettings& record = parsed.options.settings;
    EXPECT_EQ(OptionsOf(record), (Options{1, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(record.m_strOutput, "stored.txt");
    EXPECT_EQ(record.m_nOutputDest, 0);
    EXPECT_EQ(record.m_flags, OPT_SORT | OPT_ASCII_MODE);
}

}  // namespace
}  // namespace quillmark::testing
