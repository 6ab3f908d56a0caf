// start_options.cpp - parsing the desktop program's command line and finding its configuration
// directory.
#include "ui/start_options.h"

#include <QCommandLineParser>
#include <cstdlib>
#include <cstring>

namespace quillmark {

void DescribeOptions(QCommandLineParser& parser) {
    parser.setApplicationDescription(QStringLiteral(
        "Computes the CRC-32 and size of files. Each FILE (a file, a wildcard pattern or a "
        "directory) is checksummed at once, as if dropped on the window."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(
        QString::fromLatin1(kDesktopOption),
        QStringLiteral("Started from the desktop: keep settings.dat in "
                       "$XDG_CONFIG_HOME/quillmark instead of the current directory.")));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("What to checksum."),
                                 QStringLiteral("[FILE...]"));
}

bool AsksForTextOnly(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        for (const char* text : {"--help", "-h", "--version", "-v", "--help-all"}) {
            if (std::strcmp(argv[i], text) == 0) return true;
        }
    }
    return false;
}

StartArguments ReadStartArguments(int argc, const char* const* argv) {
    StartArguments arguments;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            if (argument == std::string("--") + kDesktopOption) arguments.fromDesktop = true;
        } else {
            arguments.files.push_back(argument);
        }
    }
    return arguments;
}

std::optional<std::string> ConfigDirectory() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/quillmark";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') return std::nullopt;
    return std::string(home) + "/.config/quillmark";
}

void MakeAbsolute(std::vector<std::string>& files, const std::string& base) {
    for (std::string& file : files) {
        if (!file.empty() && file[0] != '/') file = base + (base.ends_with('/') ? "" : "/") + file;
    }
}

}  // namespace quillmark
