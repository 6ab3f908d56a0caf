// frame_dialogs_test.cpp - the options dialog and the About box as the main window runs them.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cctype>

#include "settings/option_flags.h"
#include "tests/ui/frame_fixture.h"
#include "ui/about_dlg.h"
#include "ui/crc_settings_dlg.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::testing {
namespace {

struct DialogCase {
    const char* button;
    bool keepsValues;
    bool runs;
};

TEST_F(FrameTest, OptionsDialogCloseKeepsOkKeepsAndRunsCancelDiscards) {
    std::string dir = MakeDirectory("opts", {{"fox.txt", kFoxText}});
    for (const DialogCase& c :
         {DialogCase{"closeButton", true, false}, DialogCase{"okButton", true, true},
          DialogCase{"cancelButton", false, false}}) {
        SCOPED_TRACE(c.button);
        CCrcFrame& frame = ShownFrame();
        ConfigurePaneRun(dir + "/fox.txt");
        frame.Pane()->clear();

        OnModal<CCrcSettingsDlg> driver([&](CCrcSettingsDlg& dialog) {
            FindNamed<QCheckBox>(dialog, "lowercaseCheck")->click();
            FindNamed<QPushButton>(dialog, c.button)->click();
        });
        frame.Action(ID_CRC_SETTINGS)->trigger();

        ASSERT_EQ(driver.Seen(), 1);
        EXPECT_EQ(frame.Settings().m_bLowercase, c.keepsValues ? 1 : 0);
        // The flag byte is derived again from the kept values.
        EXPECT_EQ((frame.Settings().m_flags & OPT_LOWERCASE) != 0, c.keepsValues);
        std::string expected;
        if (c.runs) {
            expected = "filename: " + dir + "/fox.txt\nfile size: 43\ncrc 32: " + kFoxCrc + "\n\n";
            std::transform(expected.begin(), expected.end(), expected.begin(), ::tolower);
        }
        EXPECT_EQ(PaneText(), expected);
        DestroyFrame();
    }
}

TEST_F(FrameTest, AboutBoxNamesTheProgramAndClosesWithOk) {
    CCrcFrame& frame = ShownFrame();
    QString caption;
    QString text;
    OnModal<CAboutDlg> driver([&](CAboutDlg& dialog) {
        caption = dialog.windowTitle();
        text = FindNamed<QLabel>(dialog, "aboutLabel")->text();
        FindNamed<QPushButton>(dialog, "okButton")->click();
    });
    frame.Action(ID_APP_ABOUT)->trigger();
    ASSERT_EQ(driver.Seen(), 1);
    EXPECT_EQ(caption, "About Quillmark");
    const QStringList lines = text.split('\n');
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "Quillmark");
    EXPECT_TRUE(lines[1].isEmpty());
    EXPECT_FALSE(lines[2].isEmpty());
    EXPECT_TRUE(lines[3].isEmpty());
    EXPECT_FALSE(lines[4].isEmpty());
}

}  // namespace
}  // namespace quillmark::testing
