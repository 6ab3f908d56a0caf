// frame_fixture.h - a main window living in a scratch working directory, with helpers to make
// example files, drop paths on the window and read the pane.
#pragma once

#include <QDir>
#include <QPlainTextEdit>
#include <memory>
#include <string>
#include <vector>

#include "processing/result_tree.h"
#include "tests/ui/ui_test_support.h"
#include "ui/crc_frame.h"

namespace quillmark::testing {

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
