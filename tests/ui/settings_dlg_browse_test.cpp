// settings_dlg_browse_test.cpp - the Browse buttons fill their boxes from a file dialog.
#include <QAction>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "tests/ui/modal_answerer.h"
#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::test {
namespace {

// Waits for the file dialog that the action under test opens, records how it was set up, and
// answers it with `answer` (accept or reject it after choosing).
class FileDialogAnswerer {
public:
    explicit FileDialogAnswerer(std::function<void(QFileDialog&)> answer)
        : m_answer(std::move(answer)) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start();
    }

    bool Answered() const { return m_answered; }
    QFileDialog::FileMode Mode() const { return m_mode; }
    QFileDialog::AcceptMode AcceptMode() const { return m_acceptMode; }
    bool AsksBeforeOverwriting() const { return m_confirmsOverwrite; }

private:
    void Poll() {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        m_timer.stop();
        m_mode = dialog->fileMode();
        m_acceptMode = dialog->acceptMode();
        m_confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        m_answered = true;
        m_answer(*dialog);
    }

    std::function<void(QFileDialog&)> m_answer;
    QTimer m_timer;
    bool m_answered = false;
    QFileDialog::FileMode m_mode = QFileDialog::AnyFile;
    QFileDialog::AcceptMode m_acceptMode = QFileDialog::AcceptOpen;
    bool m_confirmsOverwrite = true;
};

class SettingsDlgBrowseTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        std::filesystem::create_directory("tree");
        WriteFile("tree/inner.dat", "x");
        CCRCSettings settings;
        settings.m_nOutputDest = 0;
        Open(settings);
    }

    QAction* Action(const char* name) const {
        auto* action = m_dialog->findChild<QAction*>(QString::fromLatin1(name));
        EXPECT_NE(action, nullptr) << name;
        return action;
    }

    QString Scratch(const char* name) const { return QString::fromStdString(ScratchPath(name)); }
};

TEST_F(SettingsDlgBrowseTest, ChosenFileGoesIntoTheInputBox) {
    const QString chosen = Scratch("tree/inner.dat");
    FileDialogAnswerer answerer([&](QFileDialog& dialog) {
        dialog.selectFile(chosen);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it; QDialog does not
    });
    Action("inputBrowseFileAction")->trigger();
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.Mode(), QFileDialog::ExistingFile);
    EXPECT_EQ(Edit("inputEdit")->text(), chosen);
}

TEST_F(SettingsDlgBrowseTest, ChosenDirectoryMeansEveryFileInIt) {
    FileDialogAnswerer answerer([&](QFileDialog& dialog) {
        dialog.setDirectory(Scratch("tree"));
        static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it; QDialog does not
    });
    Action("inputBrowseDirectoryAction")->trigger();
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Edit("inputEdit")->text(), Scratch("tree") + "/");
    Button("closeButton")->click();
    ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
    EXPECT_EQ(Collected().m_strInput, ScratchPath("tree") + "/*.*");
}

TEST_F(SettingsDlgBrowseTest, CancelledChoiceLeavesTheBoxAlone) {
    Edit("inputEdit")->setText("typed.txt");
    FileDialogAnswerer answerer([](QFileDialog& dialog) { dialog.reject(); });
    Action("inputBrowseFileAction")->trigger();
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(Edit("inputEdit")->text(), "typed.txt");
}

// The save dialog leaves the overwrite question to the dialog's own check, which asks once.
TEST_F(SettingsDlgBrowseTest, OutputChoiceIsAskedAboutOnceWhenTaken) {
    WriteFile("existing.txt", "old results");
    const QString chosen = Scratch("existing.txt");
    FileDialogAnswerer answerer([&](QFileDialog& dialog) {
        dialog.selectFile(chosen);
        static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it; QDialog does not
    });
    Button("outputBrowseButton")->click();
    ASSERT_TRUE(answerer.Answered());
    EXPECT_EQ(answerer.AcceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(answerer.AsksBeforeOverwriting());
    EXPECT_EQ(Edit("outputEdit")->text(), chosen);
    EXPECT_EQ(Collected().m_strOutput, ScratchPath("existing.txt"));

    ModalAnswerer boxes(QMessageBox::No, 2);
    Button("okButton")->click();
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].caption, "Overwrite output file?");
    EXPECT_EQ(ReadFile("existing.txt"), "old results");
}

}  // namespace
}  // namespace quillmark::test
