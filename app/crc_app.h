// crc_app.h - CCrcApp, the desktop program's one application object: it owns the sorted results
// and the main window.
#pragma once

#include <QApplication>
#include <memory>

#include "processing/result_tree.h"
#include "ui/crc_frame.h"

namespace quillmark {

class CCrcApp : public QApplication {
public:
    CCrcApp(int& argc, char** argv);
    // The window goes first (saving the settings if it has not yet), the results after it.
    ~CCrcApp() override;

    // Creates and shows the main window; always succeeds.
    bool InitInstance();

    ResultTree& Results() { return m_resultTree; }
    CCrcFrame* MainFrame() const { return m_pMainFrame.get(); }

private:
    ResultTree m_resultTree;
    std::unique_ptr<CCrcFrame> m_pMainFrame;
};

}  // namespace quillmark
