// settings_dlg_browse_test.cpp - the Browse buttons fill their boxes from a file dialog.
#include <QAction>
#include <QFileDialog>
#include <filesystem>
#include <functional>

#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::testing {
namespace {

class SettingsDlgBrowseTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        std::filesystem::create_directory("tree");
        WriteFile("tree/inner.dat", "x");
        OpenToFile();
    }

    // Runs `start`, answers the file dialog it opens with `answer` and returns that dialog's setup.
    struct Setup {
        int seen;
        QFileDialog::FileMode mode;
        QFileDialog::AcceptMode acceptMode;
        bool confirmsOverwrite;
    };
    Setup Browse(const std::function<void()>& start,
                 const std::function<void(QFileDialog&)>& answer) {
        Setup setup{};
        OnModal<QFileDialog> driver([&](QFileDialog& dialog) {
            setup = {1, dialog.fileMode(), dialog.acceptMode(),
                     !dialog.testOption(QFileDialog::DontConfirmOverwrite)};
            answer(dialog);
        });
        start();
        return setup;
    }

    std::function<void()> Trigger(const char* actionName) const {
        return [action = Find<QAction>(actionName)] { action->trigger(); };
    }

    QString Scratch(const char* name) const { return QString::fromStdString(ScratchPath(name)); }

    static std::function<void(QFileDialog&)> Choose(const QString& file) {
        // selectFile leaves the name box alone while it has the focus, which depends on what
        // earlier file dialogs did; taking the focus away first makes the choice stick.
        return [file](QFileDialog& dialog) {
            dialog.setFocus();
            dialog.selectFile(file);
            static_cast<QDialog&>(dialog).accept();  // QFileDialog hides it; QDialog does not
        };
    }
};

TEST_F(SettingsDlgBrowseTest, ChosenFileGoesIntoTheInputBoxUnlessCancelled) {
    const QString chosen = Scratch("tree/inner.dat");
    Setup setup = Browse(Trigger("inputBrowseFileAction"), Choose(chosen));
    ASSERT_EQ(setup.seen, 1);
    EXPECT_EQ(setup.mode, QFileDialog::ExistingFile);
    EXPECT_EQ(Edit("inputEdit")->text(), chosen);

    Edit("inputEdit")->setText("typed.txt");
    setup = Browse(Trigger("inputBrowseFileAction"), [](QFileDialog& dialog) { dialog.reject(); });
    ASSERT_EQ(setup.seen, 1);
    EXPECT_EQ(Edit("inputEdit")->text(), "typed.txt");
}

TEST_F(SettingsDlgBrowseTest, ChosenDirectoryMeansEveryFileInIt) {
    Setup setup = Browse(Trigger("inputBrowseDirectoryAction"), [&](QFileDialog& dialog) {
        dialog.setDirectory(Scratch("tree"));
        static_cast<QDialog&>(dialog).accept();
    });
    ASSERT_EQ(setup.seen, 1);
    EXPECT_EQ(Edit("inputEdit")->text(), Scratch("tree") + "/");
    Button("closeButton")->click();
    ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
    EXPECT_EQ(Collected().m_strInput, ScratchPath("tree") + "/*.*");
}

// The save dialog leaves the overwrite question to the dialog's own check, which asks once.
TEST_F(SettingsDlgBrowseTest, OutputChoiceIsAskedAboutOnceWhenTaken) {
    WriteFile("existing.txt", "old results");
    const QString chosen = Scratch("existing.txt");
    Setup setup = Browse([this] { Button("outputBrowseButton")->click(); }, Choose(chosen));
    ASSERT_EQ(setup.seen, 1);
    EXPECT_EQ(setup.acceptMode, QFileDialog::AcceptSave);
    EXPECT_FALSE(setup.confirmsOverwrite);
    EXPECT_EQ(Edit("outputEdit")->text(), chosen);
    EXPECT_EQ(Collected().m_strOutput, ScratchPath("existing.txt"));

    ModalAnswerer boxes(QMessageBox::No, 2);
    Button("okButton")->click();
    ASSERT_EQ(boxes.Seen().size(), 1u);
    EXPECT_EQ(boxes.Seen()[0].caption, "Overwrite output file?");
    EXPECT_EQ(ReadFile("existing.txt"), "old results");
}

}  // namespace
}  // namespace quillmark::testing
