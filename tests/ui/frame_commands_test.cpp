// frame_commands_test.cpp - the main window's commands, edit-command enabling, its size, and the
// settings it loads, saves and writes back when it closes.
#include <QAction>
#include <QClipboard>
#include <QFontInfo>
#include <QFontMetrics>
#include <QMenu>
#include <QMenuBar>

#include "settings/settings_file.h"
#include "tests/ui/frame_fixture.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

struct EditState {
    bool undo, cut, copy, paste;
    bool operator==(const EditState&) const = default;
};

EditState Edits(CCrcFrame& frame) {
    // The state the user sees as the Edit menu opens.
    emit frame.menuBar()->actions()[1]->menu()->aboutToShow();
    return {frame.Action(ID_EDIT_UNDO)->isEnabled(), frame.Action(ID_EDIT_CUT)->isEnabled(),
            frame.Action(ID_EDIT_COPY)->isEnabled(), frame.Action(ID_EDIT_PASTE)->isEnabled()};
}

TEST_F(FrameTest, EditCommandsFollowSelectionUndoHistoryAndClipboard) {
    CCrcFrame& frame = ShownFrame();
    QApplication::clipboard()->clear();
    EXPECT_EQ(Edits(frame), (EditState{false, false, false, false}));

    QTest::keyClicks(frame.Pane(), "typed");
    EXPECT_EQ(Edits(frame), (EditState{true, false, false, false}));

    frame.Action(ID_EDIT_SELECT_ALL)->trigger();
    EXPECT_EQ(frame.Pane()->textCursor().selectedText(), "typed");
    EXPECT_EQ(Edits(frame), (EditState{true, true, true, false}));

    frame.Action(ID_EDIT_COPY)->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "typed");
    EXPECT_TRUE(Edits(frame).paste);

    // A disabled command does nothing, whether from the menu or its key.
    frame.Pane()->moveCursor(QTextCursor::End);
    EXPECT_FALSE(frame.Action(ID_EDIT_CUT)->isEnabled());
    frame.Action(ID_EDIT_CUT)->trigger();
    EXPECT_EQ(PaneText(), "typed");

    frame.Action(ID_EDIT_PASTE)->trigger();
    EXPECT_EQ(PaneText(), "typedtyped");
    QApplication::clipboard()->clear();

    // New erases the pane, and Undo brings the text back.
    frame.Action(ID_FILE_NEW)->trigger();
    EXPECT_EQ(PaneText(), "");
    ASSERT_TRUE(frame.Action(ID_EDIT_UNDO)->isEnabled());
    frame.Action(ID_EDIT_UNDO)->trigger();
    EXPECT_EQ(PaneText(), "typedtyped");
}

TEST_F(FrameTest, ResetChangesTheSettingsInMemoryOnly) {
    CCRCSettings& settings = Frame().Settings();
    settings.m_bSortOutput = 1;
    settings.m_nReadMode = 0;
    settings.m_strInput = "/somewhere";
    settings.m_strOutput = "out.txt";
    settings.m_nOutputDest = 0;
    settings.UpdateFlags();
    const std::string startDir = settings.m_szSettingsDir;

    Frame().Action(ID_RESET_DEFAULTS)->trigger();

    CCRCSettings defaults;
    defaults.ResetDefaults();
    EXPECT_EQ(EncodeSettings(settings), EncodeSettings(defaults));
    EXPECT_EQ(settings.m_szSettingsDir, startDir);
    EXPECT_FALSE(QFile::exists("settings.dat"));
}

TEST_F(FrameTest, StartsWithTheWorkingDirectorysSettingsAndSavesAndLoadsThemSilently) {
    CCRCSettings stored;
    stored.m_bNoRecursion = 1;
    stored.m_strOutput = "results.txt";
    stored.UpdateFlags();
    WriteFile("settings.dat", EncodeSettings(stored));
    CCrcFrame& frame = ShownFrame();
    CCRCSettings& settings = frame.Settings();
    EXPECT_EQ(EncodeSettings(settings), EncodeSettings(stored));
    EXPECT_EQ(settings.m_szSettingsDir, Scratch());

    settings.m_bLowercase = 1;
    settings.m_strInput = "/data/*.txt";
    settings.UpdateFlags();
    const std::string saved = EncodeSettings(settings);
    ModalAnswerer answer(QMessageBox::Ok);
    frame.Action(ID_SAVE_SETTINGS)->trigger();
    EXPECT_EQ(ReadFile("settings.dat"), saved);

    settings.ResetDefaults();
    frame.Action(ID_LOAD_SETTINGS)->trigger();
    EXPECT_EQ(EncodeSettings(settings), saved);
    QApplication::processEvents();
    EXPECT_TRUE(answer.Seen().empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FrameTest, LoadAndSaveFailuresSayWhatFailedAndLeaveTheSettingsAlone) {
    CCrcFrame& frame = ShownFrame();
    // A directory where the file should be: it can be neither read nor replaced.
    ASSERT_TRUE(QDir().mkdir("settings.dat"));
    frame.Settings().m_bUnixLF = 1;
    for (const auto& [command, text] :
         {std::pair{ID_LOAD_SETTINGS, "Unable to load settings file."},
          std::pair{ID_SAVE_SETTINGS, "Unable to save settings file."}}) {
        ModalAnswerer answer(QMessageBox::Ok);
        frame.Action(command)->trigger();
        ASSERT_EQ(answer.Seen().size(), 1u) << text;
        EXPECT_EQ(answer.Seen()[0].caption, "Error");
        EXPECT_EQ(answer.Seen()[0].text, text);
        EXPECT_FALSE(answer.Seen()[0].hadIcon);
        EXPECT_EQ(frame.Settings().m_bUnixLF, 1);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }
    ASSERT_TRUE(QDir().rmdir("settings.dat"));
}

TEST_F(FrameTest, PaneShowsHundredColumnsByThirtyLinesOfAFixedTwelvePointFont) {
    CCrcFrame& frame = ShownFrame();
    QPlainTextEdit* pane = frame.Pane();
    QFontInfo info(pane->font());
    EXPECT_TRUE(info.fixedPitch());
    EXPECT_EQ(info.pointSize(), 12);
    EXPECT_EQ(pane->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(pane->isReadOnly());
    EXPECT_FALSE(pane->acceptDrops());
    EXPECT_EQ(frame.windowTitle(), "Quillmark");
    EXPECT_FALSE(frame.windowIcon().isNull());
    EXPECT_EQ(frame.centralWidget(), pane);

    QFontMetrics metrics(pane->font());
    const int margin = 2 * static_cast<int>(pane->document()->documentMargin());
    EXPECT_EQ((pane->viewport()->width() - margin) / metrics.horizontalAdvance('x'), 100);
    EXPECT_EQ((pane->viewport()->height() - margin) / metrics.lineSpacing(), 30);
}

// Closing the window and Exit both save once, into the start-up directory even when the working
// directory has moved since.
TEST_F(FrameTest, ClosingOrExitSavesTheSettingsOnceIntoTheStartDirectory) {
    const std::string home = Scratch();
    QDir().mkdir("elsewhere");
    for (bool viaExit : {false, true}) {
        SCOPED_TRACE(viaExit ? "Exit" : "close");
        ASSERT_TRUE(ChangeDirectory(home));
        CCrcFrame& frame = ShownFrame();
        frame.Settings().m_bSortOutput = viaExit ? 0 : 1;
        frame.Settings().UpdateFlags();
        const std::string atClose = EncodeSettings(frame.Settings());
        ASSERT_TRUE(ChangeDirectory(home + "/elsewhere"));

        if (viaExit) {
            m_tree.Insert("/left/over", 1, 2, true);
            frame.Action(ID_APP_EXIT)->trigger();
            EXPECT_TRUE(m_tree.IsEmpty());
        } else {
            EXPECT_TRUE(frame.close());
        }
        EXPECT_FALSE(frame.isVisible());
        EXPECT_EQ(ReadFile(home + "/settings.dat"), atClose);

        frame.Settings().m_bSortOutput = viaExit ? 1 : 0;
        DestroyFrame();
        EXPECT_EQ(ReadFile(home + "/settings.dat"), atClose);
        EXPECT_FALSE(QFile::exists(QString::fromStdString(home + "/elsewhere/settings.dat")));
    }
}

}  // namespace
}  // namespace quillmark::testing
