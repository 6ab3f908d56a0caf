// frame_dialogs_test.cpp - the options dialog and the About box as the main window runs them.
#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cctype>
#include <functional>

#include "settings/option_flags.h"
#include "tests/ui/frame_fixture.h"
#include "ui/resources/menu_resources.h"

namespace quillmark::test {
namespace {

// Waits for the next modal dialog that is not a message box and hands it to `act`, once.
class DialogDriver {
public:
    explicit DialogDriver(std::function<void(QDialog&)> act) : m_act(std::move(act)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || qobject_cast<QMessageBox*>(dialog) != nullptr) return;
            m_timer.stop();
            m_seen = true;
            m_act(*dialog);
        });
        m_timer.start();
    }
    bool Seen() const { return m_seen; }

private:
    std::function<void(QDialog&)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

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

        DialogDriver driver([&](QDialog& dialog) {
            dialog.findChild<QCheckBox*>("lowercaseCheck")->click();
            dialog.findChild<QPushButton*>(c.button)->click();
        });
        frame.Action(ID_CRC_SETTINGS)->trigger();

        ASSERT_TRUE(driver.Seen());
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
    DialogDriver driver([&](QDialog& dialog) {
        caption = dialog.windowTitle();
        text = dialog.findChild<QLabel*>("aboutLabel")->text();
        dialog.findChild<QPushButton*>("okButton")->click();
    });
    frame.Action(ID_APP_ABOUT)->trigger();
    ASSERT_TRUE(driver.Seen());
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
}  // namespace quillmark::test
