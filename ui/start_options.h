// start_options.h - the desktop program's command line: options, FILE arguments as raw bytes, and
// the start-up directory when started from the desktop entry.
#pragma once

#include <optional>
#include <string>
#include <vector>

class QCommandLineParser;

namespace quillmark {

// The option the desktop entry passes: settings.dat lives in the configuration directory.
inline constexpr const char* kDesktopOption = "desktop";

// Declares the program's options, --help and --version on a parser.
void DescribeOptions(QCommandLineParser& parser);

// True when argv asks only for text (--help, -h, --version, -v): no window, no display needed.
bool AsksForTextOnly(int argc, const char* const* argv);

// Qt's error text for the first option that neither this program nor Qt's own start-up knows
// ("Unknown option 'bogus'."), read before any display is opened; nothing when all are known.
std::optional<std::string> UnknownOption(int argc, const char* const* argv);

// Answers the command lines that need no window: --help and --version (status 0), an unknown
// option (the error and the usage on standard error, status 2). Nothing for any other.
std::optional<int> AnswerWithoutWindow(int argc, char** argv);

struct StartArguments {
    bool fromDesktop = false;
    std::vector<std::string> files;  // as the bytes of argv, in the order given
};
// Reads argv after Qt has taken its own options out. No option takes a value, so every argument
// that is not an option, and everything after "--", is a FILE.
StartArguments ReadStartArguments(int argc, const char* const* argv);

// $XDG_CONFIG_HOME/quillmark, or ~/.config/quillmark when that is unset or not absolute.
std::optional<std::string> ConfigDirectory();

// Relative FILE arguments made absolute against base, so that they survive a change of directory.
void MakeAbsolute(std::vector<std::string>& files, const std::string& base);

}  // namespace quillmark
