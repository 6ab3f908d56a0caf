// ui_test_main.cpp - runs the GUI tests inside one QApplication, on the offscreen platform unless
// both a display and a platform are named in the environment.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>

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
    return RUN_ALL_TESTS();
}
