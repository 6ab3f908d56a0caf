// crc_app.cpp - start-up and shutdown of the desktop program.
#include "app/crc_app.h"

#include <QIcon>

namespace quillmark {

CCrcApp::CCrcApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("quillmark"));
    setApplicationVersion(QStringLiteral(QUILLMARK_VERSION));
    // No display name: Qt's X11 and Wayland back ends would append it to every caption that does
    // not already end in it, and each caption must read exactly as its window sets it.
    // Lets the desktop match the window with quillmark.desktop and its icon.
    setDesktopFileName(QStringLiteral("quillmark"));
}

CCrcApp::~CCrcApp() {
    m_pMainFrame.reset();
    m_resultTree.Clear();
}

bool CCrcApp::InitInstance() {
    // The frame reads settings.dat from the working directory of this moment.
    m_pMainFrame = std::make_unique<CCrcFrame>(m_resultTree);
    setWindowIcon(m_pMainFrame->windowIcon());
    m_pMainFrame->show();
    m_pMainFrame->activateWindow();
    return true;
}

}  // namespace quillmark
