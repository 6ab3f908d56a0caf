// frame_fixture.h - a main window living in a scratch working directory, with helpers to make
// example files, drop paths on the window and read the pane.
#pragma once

#include <QDir>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "processing/result_tree.h"
#include "tests/ui/ui_test_support.h"
#include "ui/crc_frame.h"
#include "ui/progress_dialogs.h"

namespace quillmark::testing {

// Runs `look` once, as the next run's progress window opens. atOnce: inside its show, before
// the run's worker reads anything (the window is not yet the active modal one); otherwise just
// after it has opened, while it is still up.
class WhenProgressWindowOpens : public QObject {
public:
    WhenProgressWindowOpens(std::function<void()> look, bool atOnce)
        : m_look(std::move(look)), m_atOnce(atOnce) {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<CProgressDlg*>(watched) != nullptr) {
            qApp->removeEventFilter(this);
            if (m_atOnce) {
                // While the window shows, so the worker, waiting for it, has read nothing yet.
                m_look();
            } else {
                // Once it has finished showing; the worker may have gone on, but the window is
                // still up: its closing is queued behind this.
                QTimer::singleShot(0, [look = std::move(m_look)] { look(); });
            }
            deleteLater();
        }
        return false;
    }

private:
    std::function<void()> m_look;
    bool m_atOnce;
};

inline void DuringRun(const std::function<void()>& look) {
    new WhenProgressWindowOpens(look, false);
}

// Clicks the next progress window's Cancel before its run has read a file.
inline void CancelAsProgressWindowOpens() {
    new WhenProgressWindowOpens(
        [] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* window = qobject_cast<CProgressDlg*>(widget);
                if (window != nullptr && window->isVisible()) {
                    window->findChild<QPushButton*>("cancelButton")->click();
                }
            }
        },
        true);
}

// CRC-32 of the classic pangram, 43 bytes.
inline constexpr const char* kFoxText = "The quick brown fox jumps over the lazy dog";
inline constexpr const char* kFoxCrc = "414fa339";

class FrameTest : public ScratchDirTest {
protected:
    void TearDown() override {
        m_frame.reset();
        ScratchDirTest::TearDown();
    }

    // The frame reads settings.dat from the scratch directory, and writes it back there.
    CCrcFrame& Frame() {
        if (!m_frame) m_frame = std::make_unique<CCrcFrame>(m_tree);
        return *m_frame;
    }

    CCrcFrame& ShownFrame() {
        ShowActive(Frame());
        return Frame();
    }

    void DestroyFrame() { m_frame.reset(); }

    // A directory under the scratch directory, with the given files (name, content).
    std::string MakeDirectory(const std::string& name,
                              const std::vector<std::pair<std::string, std::string>>& files) {
        std::string dir = ScratchPath(name);
        QDir().mkpath(QString::fromStdString(dir));
        for (const auto& [file, content] : files) WriteFile(dir + "/" + file, content);
        return dir;
    }

    std::string PaneText() { return Frame().Pane()->toPlainText().toStdString(); }

    // Settings for a run printing descriptive blocks into the pane.
    void ConfigurePaneRun(const std::string& input) {
        CCRCSettings& settings = Frame().Settings();
        settings.ResetDefaults();
        settings.m_strInput = input;
        settings.UpdateFlags();
    }

    ResultTree m_tree;

private:
    std::unique_ptr<CCrcFrame> m_frame;
};

}  // namespace quillmark::testing
