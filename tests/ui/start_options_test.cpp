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
