// start_options.cpp - parsing the desktop program's command line and finding its configuration
// directory.
#include "ui/start_options.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
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

namespace {

// The options QApplication and its X11 back end take out of argv themselves; accepted here so
// that only options nobody knows are refused. Hidden from --help, as Qt's own help hides them.
void AcceptQtOptions(QCommandLineParser& parser) {
    for (const char* name :
         {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
          "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "display", "name",
          "visual", "style", "stylesheet", "qmljsdebugger"}) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "widgetcount", "sync", "nograb", "dograb", "testability"}) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    // Qt writes its options with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
}

}  // namespace

bool AsksForTextOnly(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) return false;
        for (const char* text : {"--help", "-h", "--version", "-v", "--help-all"}) {
            if (std::strcmp(argv[i], text) == 0) return true;
        }
    }
    return false;
}

std::optional<std::string> UnknownOption(int argc, const char* const* argv) {
    QCommandLineParser parser;
    DescribeOptions(parser);
    AcceptQtOptions(parser);
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (parser.parse(arguments)) return std::nullopt;
    return parser.errorText().toStdString();
}

std::optional<int> AnswerWithoutWindow(int argc, char** argv) {
    const std::optional<std::string> unknown = UnknownOption(argc, argv);
    if (!unknown && !AsksForTextOnly(argc, argv)) return std::nullopt;
    // Help, version and usage print without a window, so without a display too.
    QCoreApplication text(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMARK_VERSION));
    QCommandLineParser parser;
    DescribeOptions(parser);
    if (unknown) {
        const std::string usage = *unknown + "\n\n" + parser.helpText().toStdString();
        std::fputs(usage.c_str(), stderr);
        return 2;
    }
    AcceptQtOptions(parser);
    parser.process(text);
    return 0;
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
