// main.cpp - entry of quillmark, the desktop program.
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <system_error>

#include "app/crc_app.h"
#include "platform/path_services.h"
#include "ui/start_options.h"

namespace {

// Started from a menu or "Open with", the working directory is whatever the launcher had; the
// settings belong in the configuration directory instead.
void EnterConfigDirectory() {
    const auto directory = quillmark::ConfigDirectory();
    if (!directory) return;
    std::error_code error;
    std::filesystem::create_directories(*directory, error);
    quillmark::ChangeDirectory(*directory);
}

}  // namespace

int main(int argc, char** argv) {
    // A file size limit fails the output file's write like a full disk (its box, whole results)
    // instead of killing the window.
    std::signal(SIGXFSZ, SIG_IGN);
    if (const std::optional<int> status = quillmark::AnswerWithoutWindow(argc, argv)) {
        return *status;
    }
    // Every option is known by now (unknown ones were refused above, before any display).
    quillmark::CCrcApp app(argc, argv);
    // Qt has taken its own options out of argv; the FILE arguments are read from the bytes left.
    quillmark::StartArguments arguments = quillmark::ReadStartArguments(argc, argv);
    if (arguments.fromDesktop) {
        quillmark::MakeAbsolute(arguments.files, quillmark::GetCurrentDirectory().value_or("/"));
        EnterConfigDirectory();
    }
    app.InitInstance();
    if (!arguments.files.empty()) {
        QTimer::singleShot(0, app.MainFrame(), [&app, files = arguments.files] {
            app.MainFrame()->RunEachPath(files);
        });
    }
    return app.exec();
}
