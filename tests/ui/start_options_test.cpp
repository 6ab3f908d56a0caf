// start_options_test.cpp - the desktop program's command line: FILE arguments as bytes, the
// desktop option, text-only requests, and the configuration directory.
#include "ui/start_options.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillmark::testing {
namespace {

TEST(StartOptionsTest, FilesAreTheArgumentsBytesInOrder) {
    struct Row {
        std::vector<const char*> argv;
        bool fromDesktop;
        std::vector<std::string> files;
    };
    const std::vector<Row> rows = {
        {{"quillmark"}, false, {}},
        {{"quillmark", "a.txt",
          "/data/bad\xFF\xFE"
          "dir"},
         false,
         {"a.txt",
          "/data/bad\xFF\xFE"
          "dir"}},
        {{"quillmark", "--desktop", "/x", "-"}, true, {"/x", "-"}},
        {{"quillmark", "/x", "--", "--desktop", "-y"}, false, {"/x", "--desktop", "-y"}},
    };
    for (const Row& row : rows) {
        const StartArguments arguments =
            ReadStartArguments(static_cast<int>(row.argv.size()), row.argv.data());
        EXPECT_EQ(arguments.fromDesktop, row.fromDesktop);
        EXPECT_EQ(arguments.files, row.files);
    }
}

TEST(StartOptionsTest, HelpAndVersionAloneNeedNoWindow) {
    const std::vector<std::pair<std::vector<const char*>, bool>> rows = {
        {{"quillmark", "--help"}, true},         {{"quillmark", "-v"}, true},
        {{"quillmark", "a", "--version"}, true}, {{"quillmark", "--", "--help"}, false},
        {{"quillmark", "help"}, false},          {{"quillmark"}, false},
    };
    for (const auto& [argv, textOnly] : rows) {
        EXPECT_EQ(AsksForTextOnly(static_cast<int>(argv.size()), argv.data()), textOnly)
            << argv.back();
    }
}

TEST(StartOptionsTest, OnlyOptionsNeitherOursNorQtsAreUnknown) {
    struct Row {
        std::vector<const char*> argv;
        const char* error;  // null: every option known
    };
    const std::vector<Row> rows = {
        {{"quillmark", "--bogus"}, "Unknown option 'bogus'."},
        {{"quillmark", "-x", "a.txt"}, "Unknown option 'x'."},
        {{"quillmark", "--desktop", "--bogus"}, "Unknown option 'bogus'."},
        {{"quillmark", "--desktop", "a.txt", "-b.txt"}, "Unknown option 'b.txt'."},
        {{"quillmark", "-platform", "offscreen", "-style=fusion", "-reverse", "a.txt"}, nullptr},
        {{"quillmark", "--desktop", "-display", ":1", "-name", "q"}, nullptr},
        {{"quillmark", "--", "--bogus", "-x"}, nullptr},
        {{"quillmark", "-h"}, nullptr},
        {{"quillmark"}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argv.back());
        const std::optional<std::string> error =
            UnknownOption(static_cast<int>(row.argv.size()), row.argv.data());
        if (row.error == nullptr) {
            EXPECT_FALSE(error.has_value()) << *error;
        } else {
            EXPECT_EQ(error.value_or(""), row.error);
        }
    }
}

TEST(StartOptionsTest, ConfigDirectoryFollowsXdgThenHome) {
    const std::string savedHome = std::getenv("HOME") ? std::getenv("HOME") : "";
    const char* savedConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string savedConfigText = savedConfig ? savedConfig : "";
    struct Row {
        const char* config;  // null: unset
        const char* home;
        std::optional<std::string> expected;
    };
    const std::vector<Row> rows = {
        {"/cfg", "/home/u", "/cfg/quillmark"},
        {nullptr, "/home/u", "/home/u/.config/quillmark"},
        {"relative", "/home/u", "/home/u/.config/quillmark"},
        {nullptr, "", std::nullopt},
    };
    for (const Row& row : rows) {
        if (row.config)
            setenv("XDG_CONFIG_HOME", row.config, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        setenv("HOME", row.home, 1);
        EXPECT_EQ(ConfigDirectory(), row.expected);
    }
    setenv("HOME", savedHome.c_str(), 1);
    if (savedConfig)
        setenv("XDG_CONFIG_HOME", savedConfigText.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
}

TEST(StartOptionsTest, RelativeFilesBecomeAbsoluteAgainstTheStartDirectory) {
    std::vector<std::string> files = {"a.txt", "/abs", "sub/*.c", "../up"};
    MakeAbsolute(files, "/start");
    EXPECT_EQ(files,
              (std::vector<std::string>{"/start/a.txt", "/abs", "/start/sub/*.c", "/start/../up"}));
}

}  // namespace
}  // namespace quillmark::testing
