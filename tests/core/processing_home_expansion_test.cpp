// processing_home_expansion_test.cpp - "~/" in the input and the output file is the home
// directory: expanded for the run, kept as typed in the settings.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "processing/input_parsing.h"
#include "tests/core/run_fakes.h"
#include "tests/core/test_support.h"

namespace quillmark::testing {
namespace {

struct ExpandRow {
    std::optional<std::string> home;
    const char* typed;
    const char* expected;
};

TEST(ExpandHome, OnlyATildeSlashAtTheStartAndOnlyWithAnAbsoluteHome) {
    const ExpandRow rows[] = {
        {"/home/me", "~/data/*.txt", "/home/me/data/*.txt"},
        {"/home/me/", "~/data", "/home/me/data"},
        {"/", "~/x", "/x"},
        {"/home/me", "~", "~"},
        {"/home/me", "~user/x", "~user/x"},
        {"/home/me", "a/~/x", "a/~/x"},
        {"/home/me", " ~/x", " ~/x"},
        {"/home/me", "", ""},
        {"relative", "~/x", "~/x"},
        {std::nullopt, "~/x", "~/x"},
    };
    for (const ExpandRow& row : rows) {
        SCOPED_TRACE(row.typed);
        HomeScope scope(row.home);
        EXPECT_EQ(ExpandHome(row.typed), row.expected);
    }
}

TEST(ExpandHome, ARunReadsAndWritesBelowHomeAndTheSettingsKeepWhatWasTyped) {
    TempDir home;
    HomeScope scope(home.Path());
    WriteFile(home / "fox.txt", "The quick brown fox jumps over the lazy dog");

    RunHarness harness;
    const RunOutcome toPane = harness.Run("~/fox.txt");
    EXPECT_EQ(toPane.filesProcessed, 1u);
    EXPECT_EQ(TabularPaths(harness.pane.text_), std::vector<std::string>{home / "fox.txt"});
    EXPECT_EQ(harness.settings.m_strInput, "~/fox.txt");

    harness.settings.m_nOutputDest = 0;
    harness.settings.m_strOutput = "~/sums.txt";
    const RunOutcome toFile = harness.Run("~/fox.txt");
    EXPECT_EQ(toFile.filesProcessed, 1u);
    EXPECT_NE(ReadFile(home / "sums.txt").find("414fa339"), std::string::npos);
    EXPECT_EQ(harness.settings.m_strOutput, "~/sums.txt");
    EXPECT_TRUE(harness.presenter.messages.empty());
}

}  // namespace
}  // namespace quillmark::testing
