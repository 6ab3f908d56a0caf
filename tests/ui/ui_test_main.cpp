// ui_test_main.cpp - runs the GUI tests inside one QApplication, on the offscreen platform unless
// both a display and a platform are named in the environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <cstdlib>

namespace {

// A modal box or dialog nobody answers would hold the whole run until CI's own time limit; after
// this long it fails the test and is closed. Progress windows wait for their run, not for a user.
constexpr qint64 kUnansweredLimitMs = 15000;

void WatchForUnansweredWindows(QTimer& watchdog) {
    static QPointer<QWidget> seen;
    static QElapsedTimer since;
    watchdog.setInterval(250);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal != nullptr && modal->inherits("quillmark::CProgressDlg")) modal = nullptr;
        if (modal != seen.data()) {
            seen = modal;
            since.restart();
            return;
        }
        if (modal == nullptr || since.elapsed() < kUnansweredLimitMs) return;
        ADD_FAILURE() << "nobody answered the modal window \"" << modal->windowTitle().toStdString()
                      << "\" in " << kUnansweredLimitMs / 1000 << " s";
        if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->reject();
        } else {
            modal->close();
        }
        seen = nullptr;
    });
    watchdog.start();
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr || std::getenv("QT_QPA_PLATFORM") == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        QString runtimeDir = QDir::tempPath() + "/quillmark-ui-tests-runtime";
        QDir().mkpath(runtimeDir);
        QFile::setPermissions(
            runtimeDir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtimeDir.toLocal8Bit());
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    QTimer watchdog;
    WatchForUnansweredWindows(watchdog);
    return RUN_ALL_TESTS();
}
