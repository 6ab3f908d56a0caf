// settings_dlg_exchange_test.cpp - taking the values: the input and output checks with their
// messages and focus, the overwrite question, and how OK, Close and Cancel end the dialog.
#include <sys/stat.h>

#include <QTimer>
#include <filesystem>
#include <functional>
#include <vector>

#include "tests/ui/modal_answerer.h"
#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::test {
namespace {

const QString kInvalidName = "The filename you entered is invalid.\nPlease try again.";

class SettingsDlgExchangeTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        WriteFile("present.txt", "abc");
        std::filesystem::create_directory("tree");
        WriteFile("tree/inner.dat", "x");
    }

    static CCRCSettings ToFile(const std::string& output) {
        CCRCSettings settings;
        settings.m_nOutputDest = 0;
        settings.m_strOutput = output;
        return settings;
    }

    void ExpectFocusedAndSelected(const char* editName) {
        QLineEdit* edit = Edit(editName);
        EXPECT_EQ(m_dialog->focusWidget(), edit);
        EXPECT_FALSE(edit->text().isEmpty());
        EXPECT_EQ(edit->selectedText(), edit->text());
    }

    static void ExpectBox(const SeenBox& box, const QString& caption, const QString& text,
                          bool question) {
        EXPECT_EQ(box.caption, caption);
        EXPECT_EQ(box.text, text);
        EXPECT_EQ(box.hadYesNo, question);
        EXPECT_EQ(box.hadIcon, question);
    }
};

struct InputCase {
    const char* typed;
    bool passes;
    const char* reachesSettings;
};

TEST_F(SettingsDlgExchangeTest, InputMustNameSomethingThatExists) {
    const InputCase cases[] = {
        {"", true, ""},
        {"present.txt", true, "present.txt"},
        {"tree", true, "tree"},
        {"tree/", true, "tree/*.*"},
        {"*.txt", true, "*.txt"},
        {"tree/*.dat", true, "tree/*.dat"},
        {"absent.txt", false, nullptr},
        {"*.zzz", false, nullptr},
        {"absent/", false, nullptr},
        {"tree/absent/*.*", false, nullptr},
    };
    for (const InputCase& c : cases) {
        SCOPED_TRACE(c.typed);
        Open(CCRCSettings{});
        Edit("inputEdit")->setText(c.typed);
        ModalAnswerer answerer;
        Button("okButton")->click();
        if (c.passes) {
            EXPECT_TRUE(answerer.Seen().empty());
            EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
            EXPECT_EQ(Collected().m_strInput, c.reachesSettings);
            // The box keeps what was typed; only the settings get the pattern.
            EXPECT_EQ(Edit("inputEdit")->text(), c.typed);
        } else {
            ASSERT_EQ(answerer.Seen().size(), 1u);
            ExpectBox(answerer.Seen()[0], "Unable to find input file", kInvalidName, false);
            EXPECT_EQ(Outcome(), -1);
            ExpectFocusedAndSelected("inputEdit");
        }
    }
}

TEST_F(SettingsDlgExchangeTest, RootDirectoryGetsEveryFileInIt) {
    Open(CCRCSettings{});
    Edit("inputEdit")->setText("/");
    Button("okButton")->click();
    ASSERT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
    EXPECT_EQ(Collected().m_strInput, "/*.*");
}

TEST_F(SettingsDlgExchangeTest, FailedInputCheckLeavesTheLaterItemsUncollected) {
    WriteFile("out.txt", "old results");
    Open(ToFile("out.txt"));
    Radio("asciiRadio")->click();
    Check("lowercaseCheck")->click();
    Check("dirWildcardsCheck")->click();
    Edit("inputEdit")->setText("absent.txt");
    ModalAnswerer answerer(QMessageBox::Ok, 3);
    Button("closeButton")->click();

    // One box only: the output check never ran, so nobody was asked about out.txt.
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].caption, "Unable to find input file");
    EXPECT_EQ(Outcome(), -1);
    EXPECT_EQ(ReadFile("out.txt"), "old results");
    CCRCSettings collected = Collected();
    EXPECT_EQ(collected.m_nReadMode, 0);  // collected before the input check
    EXPECT_EQ(collected.m_strInput, "absent.txt");
    EXPECT_EQ(collected.m_bLowercase, 0);  // after it: not collected
    EXPECT_EQ(collected.m_bDirWildcards, 0);
}

TEST_F(SettingsDlgExchangeTest, OverwriteYesEmptiesTheFile) {
    WriteFile("out.txt", "old results");
    Open(ToFile("out.txt"));
    ModalAnswerer answerer(QMessageBox::Yes);
    Button("okButton")->click();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    ExpectBox(answerer.Seen()[0], "Overwrite output file?",
              "The output file already exists. Do you wish to overwrite it?", true);
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
    EXPECT_TRUE(std::filesystem::exists("out.txt"));
    EXPECT_EQ(ReadFile("out.txt"), "");
    EXPECT_EQ(Collected().m_strOutput, "out.txt");
}

TEST_F(SettingsDlgExchangeTest, OverwriteNoKeepsFileAndDialog) {
    WriteFile("out.txt", "old results");
    Open(ToFile("out.txt"));
    Check("lowercaseCheck")->click();
    ModalAnswerer answerer(QMessageBox::No);
    Button("okButton")->click();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].caption, "Overwrite output file?");
    EXPECT_EQ(Outcome(), -1);
    EXPECT_EQ(ReadFile("out.txt"), "old results");
    ExpectFocusedAndSelected("outputEdit");
    EXPECT_EQ(Collected().m_bLowercase, 0);
}

TEST_F(SettingsDlgExchangeTest, UnreadableExistingFileIsStillAskedAbout) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
    WriteFile("locked.txt", "old results");
    std::filesystem::permissions("locked.txt", std::filesystem::perms::owner_write);
    Open(ToFile("locked.txt"));
    ModalAnswerer answerer(QMessageBox::No);
    Button("okButton")->click();
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].caption, "Overwrite output file?");
    std::filesystem::permissions("locked.txt", std::filesystem::perms::owner_all);
    EXPECT_EQ(ReadFile("locked.txt"), "old results");
}

TEST_F(SettingsDlgExchangeTest, NewOutputFileIsCreatedEmptyWithoutAQuestion) {
    Open(ToFile("fresh.txt"));
    ModalAnswerer answerer;
    Button("closeButton")->click();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultClose);
    EXPECT_TRUE(std::filesystem::is_regular_file("fresh.txt"));
    EXPECT_EQ(std::filesystem::file_size("fresh.txt"), 0u);
}

TEST_F(SettingsDlgExchangeTest, OutputThatCannotBeCreatedIsRefused) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    // A directory counts as absent, so no question comes first; the pipe is asked about. With
    // nobody reading the pipe, creating fails at once instead of hanging the dialog.
    for (const char* output : {"missing-dir/out.txt", "tree", "tree/", "pipe"}) {
        SCOPED_TRACE(output);
        Open(ToFile(output));
        ModalAnswerer answerer(QMessageBox::Yes, 2);
        Button("okButton")->click();
        ASSERT_FALSE(answerer.Seen().empty());
        ExpectBox(answerer.Seen().back(), "Unable to create file", kInvalidName, false);
        EXPECT_EQ(Outcome(), -1);
        ExpectFocusedAndSelected("outputEdit");
    }
    EXPECT_FALSE(std::filesystem::exists("missing-dir"));
    EXPECT_TRUE(std::filesystem::is_fifo("pipe"));
}

TEST_F(SettingsDlgExchangeTest, OutputNameToScreenIsKeptButNeverTested) {
    CCRCSettings settings = ToFile("missing-dir/out.txt");
    settings.m_nOutputDest = 1;
    WriteFile("existing.txt", "old results");
    Open(settings);
    ModalAnswerer answerer;
    Button("okButton")->click();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
    EXPECT_EQ(Collected().m_strOutput, "missing-dir/out.txt");
    EXPECT_EQ(Collected().m_nOutputDest, 1);
}

TEST_F(SettingsDlgExchangeTest, EmptyOutputNamePassesWhenSavingToFile) {
    Open(ToFile(""));
    ModalAnswerer answerer;
    Button("okButton")->click();
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
}

TEST_F(SettingsDlgExchangeTest, OkAndCloseHandBackEveryValue) {
    for (const char* buttonName : {"okButton", "closeButton"}) {
        SCOPED_TRACE(buttonName);
        Open(ToFile(""));
        Check("sortOutputCheck")->click();
        Check("noRecursionCheck")->click();
        Radio("asciiRadio")->click();
        Edit("inputEdit")->setText("present.txt");
        Edit("outputEdit")->setText("results.txt");
        Button(buttonName)->click();
        EXPECT_EQ(Outcome(), buttonName == std::string("okButton") ? CCrcSettingsDlg::kResultOk
                                                                   : CCrcSettingsDlg::kResultClose);
        CCRCSettings collected = Collected();
        EXPECT_EQ(collected.m_bSortOutput, 1);
        EXPECT_EQ(collected.m_bNoRecursion, 1);
        EXPECT_EQ(collected.m_bDirWildcards, 0);
        EXPECT_EQ(collected.m_bLowercase, 0);
        EXPECT_EQ(collected.m_bUnixLF, 0);
        EXPECT_EQ(collected.m_nReadMode, 0);
        EXPECT_EQ(collected.m_nOutputStyle, 1);
        EXPECT_EQ(collected.m_nOutputDest, 0);
        EXPECT_EQ(collected.m_strInput, "present.txt");
        EXPECT_EQ(collected.m_strOutput, "results.txt");
        EXPECT_TRUE(std::filesystem::exists("results.txt"));
        std::filesystem::remove("results.txt");
    }
}

// Every way of cancelling ends with kResultCancel and runs no check, whatever the boxes hold.
TEST_F(SettingsDlgExchangeTest, CancelEscAndCloseBoxCheckNothing) {
    WriteFile("out.txt", "old results");
    const std::vector<std::function<void(CCrcSettingsDlg&)>> cancels = {
        [this](CCrcSettingsDlg&) { Button("cancelButton")->click(); },
        [](CCrcSettingsDlg& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](CCrcSettingsDlg& dialog) { dialog.close(); },
    };
    for (const auto& cancel : cancels) {
        CCrcSettingsDlg& dialog = Open(ToFile("out.txt"));
        Edit("inputEdit")->setText("absent.txt");
        ModalAnswerer answerer;
        cancel(dialog);
        EXPECT_TRUE(answerer.Seen().empty());
        EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultCancel);
        EXPECT_EQ(Collected().m_strInput, "");
        EXPECT_EQ(ReadFile("out.txt"), "old results");
    }
}

TEST_F(SettingsDlgExchangeTest, ExecReturnsTheResultOfTheButton) {
    const std::pair<const char*, int> buttons[] = {
        {"okButton", CCrcSettingsDlg::kResultOk},
        {"closeButton", CCrcSettingsDlg::kResultClose},
        {"cancelButton", CCrcSettingsDlg::kResultCancel}};
    for (const auto& [name, result] : buttons) {
        SCOPED_TRACE(name);
        CCrcSettingsDlg dialog(CCRCSettings{}, nullptr);
        QTimer::singleShot(
            0, &dialog, [&dialog, name = name] { dialog.findChild<QPushButton*>(name)->click(); });
        EXPECT_EQ(dialog.exec(), result);
    }
}

TEST_F(SettingsDlgExchangeTest, EnterInAnEditBoxPressesOk) {
    Open(CCRCSettings{});
    Edit("inputEdit")->setFocus();
    QTest::keyClicks(Edit("inputEdit"), "present.txt");
    QTest::keyClick(Edit("inputEdit"), Qt::Key_Return);
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
    EXPECT_EQ(Collected().m_strInput, "present.txt");
}

}  // namespace
}  // namespace quillmark::test
