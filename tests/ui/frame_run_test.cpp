// frame_run_test.cpp - runs started from the main window: drops, the confirmation question, the
// progress windows, Cancel, and what reaches the pane.
#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <functional>

#include "tests/ui/frame_fixture.h"
#include "ui/gui_progress_view.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

std::string Block(const std::string& path, std::size_t size, const std::string& crc) {
    return "Filename: " + path + "\nFile size: " + std::to_string(size) + "\nCRC 32: " + crc +
           "\n\n";
}

TEST_F(FrameTest, ARunIntoThePaneAppendsAtTheEndAndCannotBeUndone) {
    std::string dir = MakeDirectory("one", {{"fox.txt", kFoxText}});
    CCrcFrame& frame = ShownFrame();
    QTest::keyClicks(frame.Pane(), "before|after");
    QTextCursor cursor = frame.Pane()->textCursor();
    cursor.setPosition(7);
    frame.Pane()->setTextCursor(cursor);
    ConfigurePaneRun(dir + "/fox.txt");

    frame.RunProcessing();

    EXPECT_EQ(PaneText(), "before|after" + Block(dir + "/fox.txt", 43, kFoxCrc));
    EXPECT_EQ(frame.Pane()->textCursor().position(), 7);
    EXPECT_FALSE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    frame.Pane()->undo();
    EXPECT_EQ(PaneText(), "before|after" + Block(dir + "/fox.txt", 43, kFoxCrc));

    // The user's own edits after the run are undoable again.
    QTest::keyClicks(frame.Pane(), "x");
    EXPECT_TRUE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(frame.focusWidget(), frame.Pane());
}

TEST_F(FrameTest, DroppedPathsRunLastFirstAndLeaveTheFirstAsInput) {
    std::string dir = MakeDirectory("drop", {{"a.txt", "a"}, {"b.txt", "bb"}, {"c.txt", "ccc"}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun("");
    frame.Settings().m_nOutputStyle = 1;  // one tabular line per file
    frame.Settings().UpdateFlags();

    ASSERT_TRUE(DropUrls(frame, LocalUrls({dir + "/a.txt", dir + "/b.txt", dir + "/c.txt"})));

    const std::string text = PaneText();
    const std::size_t a = text.find(dir + "/a.txt");
    const std::size_t b = text.find(dir + "/b.txt");
    const std::size_t c = text.find(dir + "/c.txt");
    ASSERT_NE(a, std::string::npos) << text;
    ASSERT_NE(b, std::string::npos) << text;
    ASSERT_NE(c, std::string::npos) << text;
    EXPECT_LT(c, b);
    EXPECT_LT(b, a);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
    EXPECT_EQ(frame.Settings().m_strInput, dir + "/a.txt");

    // A dropped directory is walked like a typed one.
    std::string tree = MakeDirectory("tree", {{"fox.txt", kFoxText}});
    ConfigurePaneRun("");
    frame.Pane()->clear();
    ASSERT_TRUE(DropUrls(frame, LocalUrls({tree})));
    EXPECT_EQ(PaneText(), Block(tree + "/fox.txt", 43, kFoxCrc));
}

TEST_F(FrameTest, ProgressWindowMatchesTheSortOptionAndIsGoneAfterTheRun) {
    std::string dir = MakeDirectory("progress", {{"fox.txt", kFoxText}});
    struct Case {
        int sort;
        const char* objectName;
        const char* caption;
        const char* label;
    };
    for (const Case& c :
         {Case{0, "processingDlg", "Processing files", "Processing files. Please wait...."},
          Case{1, "sortingDlg", "Sort in progress",
               "Processing and sorting files.\n              Please wait...."}}) {
        CCrcFrame& frame = ShownFrame();
        ConfigurePaneRun(dir);
        frame.Settings().m_bSortOutput = c.sort;
        frame.Settings().UpdateFlags();

        bool seen = false;
        DuringRun([&] {
            CProgressDlg* window = frame.ProgressView().CurrentWindow();
            ASSERT_NE(window, nullptr);
            seen = true;
            EXPECT_EQ(window->objectName(), c.objectName);
            EXPECT_TRUE(window->isVisible());
            EXPECT_EQ(window->windowTitle(), c.caption);
            EXPECT_EQ(window->findChild<QLabel*>("progressLabel")->text(), c.label);
            EXPECT_EQ(QApplication::activeModalWidget(), window);
            EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
            EXPECT_TRUE(frame.IsRunning());
        });
        frame.RunProcessing();

        EXPECT_TRUE(seen) << c.caption;
        EXPECT_EQ(frame.ProgressView().CurrentWindow(), nullptr);
        EXPECT_TRUE(frame.findChildren<CProgressDlg*>().isEmpty());
        EXPECT_FALSE(frame.IsRunning());
        // Sorted or not, the path is printed in its own case.
        const std::string printed = dir + "/fox.txt";
        EXPECT_NE(PaneText().find(printed), std::string::npos) << PaneText();
        DestroyFrame();
    }
}

TEST_F(FrameTest, CancelStopsTheRunBeforeTheNextFile) {
    std::vector<std::pair<std::string, std::string>> files;
    for (int i = 0; i < 50; ++i) files.emplace_back("f" + std::to_string(i), "x");
    std::string dir = MakeDirectory("many", files);
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(dir);

    CancelAsProgressWindowOpens();
    {
        ModalAnswerer ok;
        frame.RunProcessing();
        ASSERT_EQ(ok.Seen().size(), 1u);
        EXPECT_EQ(ok.Seen()[0].text, "The run was cancelled after 0 files.");
    }

    EXPECT_EQ(PaneText(), "");
    EXPECT_EQ(frame.ProgressView().CurrentWindow(), nullptr);
    EXPECT_EQ(GetCurrentDirectory().value_or(""), Scratch());

    // Nothing is left cancelled: the next run goes through.
    frame.RunProcessing();
    const std::string text = PaneText();
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 50 * 4);
}

TEST_F(FrameTest, DropsWhileARunIsUpAreRefused) {
    std::string dir = MakeDirectory("busy", {{"fox.txt", kFoxText}, {"other.txt", "o"}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(dir + "/fox.txt");
    bool refused = false;
    DuringRun([&] {
        const QList<QUrl> other = LocalUrls({dir + "/other.txt"});
        refused = !DropUrls(frame, other);
        // Whatever its kind, a second progress window is refused while one is up.
        EXPECT_FALSE(frame.ProgressView().RunStarting(RunKind::Sorting));
        // A drop that arrives regardless is ignored too.
        QMimeData mime;
        mime.setUrls(other);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&frame, &drop);
    });
    frame.RunProcessing();
    EXPECT_TRUE(refused);
    EXPECT_EQ(PaneText(), Block(dir + "/fox.txt", 43, kFoxCrc));
    EXPECT_EQ(frame.Settings().m_strInput, dir + "/fox.txt");
}

TEST_F(FrameTest, BeginProcessingRunsOnYesOnly) {
    std::string dir = MakeDirectory("ask", {{"fox.txt", kFoxText}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(dir + "/fox.txt");

    {
        ModalAnswerer answer(QMessageBox::No);
        frame.Action(ID_BEGIN_PROCESSING)->trigger();
        ASSERT_EQ(answer.Seen().size(), 1u);
        EXPECT_EQ(answer.Seen()[0].caption, "Start CRC Processing");
        EXPECT_TRUE(answer.Seen()[0].hadYesNo);
        EXPECT_TRUE(answer.Seen()[0].hadIcon);
        EXPECT_TRUE(answer.Seen()[0].text.startsWith(
            "Do you wish to use the currently specified file(s) and options?\n"));
        EXPECT_TRUE(answer.Seen()[0].text.contains(
            QString::fromStdString("\nInput file: " + dir + "/fox.txt\n")));
        EXPECT_EQ(PaneText(), "");
    }
    {
        ModalAnswerer answer(QMessageBox::Yes);
        frame.Action(ID_BEGIN_PROCESSING)->trigger();
        ASSERT_EQ(answer.Seen().size(), 1u);
        EXPECT_EQ(PaneText(), Block(dir + "/fox.txt", 43, kFoxCrc));
    }
}

TEST_F(FrameTest, ARunToAFileLeavesThePaneAlone) {
    std::string dir = MakeDirectory("tofile", {{"fox.txt", kFoxText}});
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(dir + "/fox.txt");
    frame.Settings().m_nOutputDest = 0;
    frame.Settings().m_strOutput = Scratch() + "/out.txt";
    frame.Settings().UpdateFlags();
    WriteFile(Scratch() + "/out.txt", "kept\r\n");

    frame.RunProcessing();

    EXPECT_EQ(PaneText(), "");
    EXPECT_EQ(ReadFile(Scratch() + "/out.txt"),
              "kept\r\nFilename: " + dir + "/fox.txt\r\nFile size: 43\r\nCRC 32: " + kFoxCrc +
                  "\r\n\r\n");
}

TEST_F(FrameTest, RunMessagesAppearAsErrorBoxesAboveTheProgressWindow) {
    CCrcFrame& frame = ShownFrame();
    ConfigurePaneRun(Scratch() + "/missing/*.txt");
    ModalAnswerer answer(QMessageBox::Ok, 5);
    frame.RunProcessing();
    QApplication::processEvents();

    ASSERT_FALSE(answer.Seen().empty());
    EXPECT_EQ(answer.Seen()[0].text, "Unable to set working dirctory");
    for (const SeenBox& box : answer.Seen()) {
        EXPECT_EQ(box.caption, "Error");
        EXPECT_FALSE(box.hadIcon);
        EXPECT_FALSE(box.hadYesNo);
    }
    EXPECT_EQ(frame.ProgressView().CurrentWindow(), nullptr);
    EXPECT_EQ(GetCurrentDirectory().value_or(""), Scratch());
    EXPECT_EQ(PaneText(), "");
}

}  // namespace
}  // namespace quillmark::testing
