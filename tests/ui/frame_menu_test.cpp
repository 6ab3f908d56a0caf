// frame_menu_test.cpp - the menu bar and the accelerators as the user meets them in the window.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <set>

#include "tests/ui/frame_fixture.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

struct ExpectedItem {
    const char* text;      // "" for a separator
    const char* shortcut;  // the key that really fires it, "" for none
    const char* prompt;
};

struct ExpectedMenu {
    const char* title;
    std::vector<ExpectedItem> items;
};

const std::vector<ExpectedMenu> kExpectedMenus = {
    {"&File",
     {{"&New\tCtrl+N", "Ctrl+N", "Erases entire window"},
      {"Save Output &As...", "", ""},
      {"E&xit", "", "Exit the program"}}},
    {"&Edit",
     {{"&Undo\tCtrl+Z", "Ctrl+Z", ""},
      {"Cu&t\tCtrl+X", "Ctrl+X", "Cut current selection"},
      {"&Copy\tCtrl+C", "Ctrl+C", "Copy current selection"},
      {"&Paste\tCtrl+V", "Ctrl+V", "Paste from clipboard"},
      {"", "", ""},
      {"Select &All\tCtrl+A", "", "Select entire contents of window"}}},
    {"&Options",
     {{"CRC Settings...\tAlt+C", "Alt+C", "Open the CRC settings dialog"},
      {"", "", ""},
      {"&Load settings\tAlt+L", "Alt+L", "Load previously saved settings"},
      {"&Save settings\tAlt+S", "Alt+S", "Save the current CRC dialog settings"},
      {"", "", ""},
      {"Reset to &defaults\tAlt+D", "Alt+D",
       "Reset the current settings to their default values"}}},
    {"C&RC",
     {{"&Begin processing\tCtrl+B", "Ctrl+B", "Begin processing with currently set options"},
      {"", "", ""},
      {"&Verify listing...", "", "Check files against a saved listing"}}},
    {"&Help", {{"&About Quillmark...", "", "Display information about Quillmark"}}},
};

// Besides the menus: no key is claimed twice (Qt would fire neither), so Ctrl+X stays with Cut and
// Ctrl+A with the pane's own Select All.
TEST_F(FrameTest, MenuBarHasEveryItemInOrderWithItsShortcutAndPrompt) {
    QList<QAction*> titles = Frame().menuBar()->actions();
    ASSERT_EQ(titles.size(), static_cast<qsizetype>(kExpectedMenus.size()));
    for (std::size_t m = 0; m < kExpectedMenus.size(); ++m) {
        const ExpectedMenu& expected = kExpectedMenus[m];
        EXPECT_EQ(titles[m]->text().toStdString(), expected.title);
        QList<QAction*> items = titles[m]->menu()->actions();
        ASSERT_EQ(items.size(), static_cast<qsizetype>(expected.items.size())) << expected.title;
        for (std::size_t i = 0; i < expected.items.size(); ++i) {
            const ExpectedItem& item = expected.items[i];
            SCOPED_TRACE(std::string(expected.title) + " item " + std::to_string(i));
            EXPECT_EQ(items[i]->isSeparator(), item.text[0] == '\0');
            EXPECT_EQ(items[i]->text().toStdString(), item.text);
            EXPECT_EQ(items[i]->shortcut().toString().toStdString(), item.shortcut);
            EXPECT_EQ(items[i]->statusTip().toStdString(), item.prompt);
        }
    }
    std::set<QString> keys;
    for (QAction* action : Frame().findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) {
            EXPECT_TRUE(keys.insert(key.toString()).second) << key.toString().toStdString();
        }
    }
    EXPECT_EQ(keys.count("Ctrl+A"), 0u);
}

TEST(AcceleratorTable, KeepsItsOrderIncludingTheShadowedExitEntry) {
    const std::vector<std::pair<std::string, int>> expected = {
        {"Ctrl+B", ID_BEGIN_PROCESSING}, {"Ctrl+C", ID_EDIT_COPY},    {"Alt+C", ID_CRC_SETTINGS},
        {"Alt+D", ID_RESET_DEFAULTS},    {"Alt+L", ID_LOAD_SETTINGS}, {"Ctrl+N", ID_FILE_NEW},
        {"Alt+S", ID_SAVE_SETTINGS},     {"Ctrl+V", ID_EDIT_PASTE},   {"Ctrl+X", ID_EDIT_CUT},
        {"Ctrl+X", ID_APP_EXIT},         {"Ctrl+Z", ID_EDIT_UNDO},
    };
    auto table = MainAcceleratorTable();
    ASSERT_EQ(table.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(table[i].key, expected[i].first) << i;
        EXPECT_EQ(table[i].command, expected[i].second) << i;
    }
}

TEST_F(FrameTest, WindowKeysReachTheirCommandsAndCtrlXOnlyCuts) {
    CCrcFrame& frame = ShownFrame();
    frame.Pane()->setPlainText("keep cut");
    QTextCursor cursor = frame.Pane()->textCursor();
    cursor.setPosition(5);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    frame.Pane()->setTextCursor(cursor);
    QTest::keyClick(&frame, Qt::Key_X, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_TRUE(frame.isVisible());
    EXPECT_EQ(PaneText(), "keep ");

    QTest::keyClick(&frame, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(PaneText(), "");

    frame.Settings().m_bSortOutput = 1;
    QTest::keyClick(&frame, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(frame.Settings().m_bSortOutput, 0);

    frame.Settings().m_strInput.clear();
    ModalAnswerer answer(QMessageBox::Ok);
    QTest::keyClick(&frame, Qt::Key_B, Qt::ControlModifier);
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].caption, "Error");
    EXPECT_EQ(answer.Seen()[0].text, "No input file has been specified.");
}

}  // namespace
}  // namespace quillmark::testing
