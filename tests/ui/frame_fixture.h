// frame_fixture.h - a main window living in a scratch working directory, with helpers to make
// example files, drop paths on the window and read the pane.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/path_services.h"
#include "processing/result_tree.h"
#include "ui/crc_frame.h"

namespace quillmark::test {

// CRC-32 of the classic pangram, 43 bytes.
inline constexpr const char* kFoxText = "The quick brown fox jumps over the lazy dog";
inline constexpr const char* kFoxCrc = "414fa339";

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_scratch.isValid());
        m_savedCwd = GetCurrentDirectory().value_or("/");
        ASSERT_TRUE(ChangeDirectory(Scratch()));
    }

    void TearDown() override {
        m_frame.reset();
        ChangeDirectory(m_savedCwd);
    }

    // The frame reads settings.dat from the scratch directory, and writes it back there.
    CCrcFrame& Frame() {
        if (!m_frame) m_frame = std::make_unique<CCrcFrame>(m_tree);
        return *m_frame;
    }

    // Shown and active, so that shortcuts and modal boxes behave as for a user.
    CCrcFrame& ShownFrame() {
        CCrcFrame& frame = Frame();
        frame.show();
        frame.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&frame));
        return frame;
    }

    void DestroyFrame() { m_frame.reset(); }

    std::string Scratch() const { return m_scratch.path().toStdString(); }

    // A directory under the scratch directory, with the given files (name, content).
    std::string MakeDirectory(const std::string& name,
                              const std::vector<std::pair<std::string, std::string>>& files) {
        std::string dir = Scratch() + "/" + name;
        QDir().mkpath(QString::fromStdString(dir));
        for (const auto& [file, content] : files) WriteFile(dir + "/" + file, content);
        return dir;
    }

    static void WriteFile(const std::string& path, const std::string& content) {
        std::ofstream(path, std::ios::binary) << content;
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    std::string PaneText() { return Frame().Pane()->toPlainText().toStdString(); }

    // Settings for a run printing descriptive blocks into the pane.
    void ConfigurePaneRun(const std::string& input) {
        CCRCSettings& settings = Frame().Settings();
        settings.ResetDefaults();
        settings.m_strInput = input;
        settings.UpdateFlags();
    }

    // What a file manager does: enter, then drop, on the main window.
    static void DropPaths(QWidget& target, const std::vector<std::string>& paths) {
        QMimeData mime;
        QList<QUrl> urls;
        for (const std::string& path : paths) {
            urls.append(QUrl::fromLocalFile(QString::fromStdString(path)));
        }
        mime.setUrls(urls);
        QPoint at = target.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &drop);
    }

    ResultTree m_tree;

private:
    QTemporaryDir m_scratch;
    std::string m_savedCwd;
    std::unique_ptr<CCrcFrame> m_frame;
};

}  // namespace quillmark::test
