// settings_dlg_exchange_test.cpp - taking the values: the input and output checks with their
// messages and focus, the overwrite question, and how OK, Close and Cancel end the dialog.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "tests/core/settings_builder.h"
#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::testing {
namespace {

const QString kInvalidName = "The filename you entered is invalid.\nPlease try again.";
const QString kOverwrite = "Overwrite output file?";

class SettingsDlgExchangeTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        WriteFile("present.txt", "abc");
        WriteFile("out.txt", "old results");
        std::filesystem::create_directory("tree");
        WriteFile("tree/inner.dat", "x");
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
        {"/", true, "/*.*"},
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

TEST_F(SettingsDlgExchangeTest, FailedInputCheckLeavesTheLaterItemsUncollected) {
    OpenToFile("out.txt");
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

struct OverwriteCase {
    const char* output;
    QMessageBox::StandardButton answer;
    const char* contentAfter;
};

// An existing file is asked about, even one that cannot be read; Yes empties it, No keeps the
// file and the dialog, with the box's text selected and the later items uncollected.
TEST_F(SettingsDlgExchangeTest, ExistingOutputIsAskedAboutYesEmptiesItNoKeepsIt) {
    const bool root = ::geteuid() == 0;  // root reads every file
    if (!root) {
        WriteFile("locked.txt", "old results");
        std::filesystem::permissions("locked.txt", std::filesystem::perms::owner_write);
    }
    for (const OverwriteCase& c :
         {OverwriteCase{"out.txt", QMessageBox::Yes, ""},
          OverwriteCase{"out.txt", QMessageBox::No, "old results"},
          OverwriteCase{root ? "out.txt" : "locked.txt", QMessageBox::No, "old results"}}) {
        SCOPED_TRACE(std::string(c.output) + (c.answer == QMessageBox::Yes ? " Yes" : " No"));
        WriteFile("out.txt", "old results");
        OpenToFile(c.output);
        Check("lowercaseCheck")->click();
        ModalAnswerer answerer(c.answer, 2);
        Button("okButton")->click();
        ASSERT_EQ(answerer.Seen().size(), 1u);
        ExpectBox(answerer.Seen()[0], kOverwrite,
                  "The output file already exists. Do you wish to overwrite it?", true);
        if (c.answer == QMessageBox::Yes) {
            EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
            EXPECT_EQ(Collected().m_strOutput, c.output);
            EXPECT_EQ(Collected().m_bLowercase, 1);
        } else {
            EXPECT_EQ(Outcome(), -1);
            ExpectFocusedAndSelected("outputEdit");
            EXPECT_EQ(Collected().m_bLowercase, 0);
        }
        std::filesystem::permissions(c.output, std::filesystem::perms::owner_all);
        EXPECT_TRUE(std::filesystem::is_regular_file(c.output));
        EXPECT_EQ(ReadFile(c.output), c.contentAfter);
    }
}

struct UnaskedCase {
    const char* output;
    int destination;
    const char* button;
    int outcome;
    bool createsEmptyFile;
};

// A new file is created empty; an empty name passes; a name for output to the screen is kept but
// never tested.
TEST_F(SettingsDlgExchangeTest, OutputThatNeedsNoQuestionPassesSilently) {
    for (const UnaskedCase& c :
         {UnaskedCase{"fresh.txt", 0, "closeButton", CCrcSettingsDlg::kResultClose, true},
          UnaskedCase{"", 0, "okButton", CCrcSettingsDlg::kResultOk, false},
          UnaskedCase{"missing-dir/out.txt", 1, "okButton", CCrcSettingsDlg::kResultOk, false}}) {
        SCOPED_TRACE(c.output);
        CCRCSettings settings;
        settings.m_nOutputDest = c.destination;
        settings.m_strOutput = c.output;
        Open(settings);
        ModalAnswerer answerer;
        Button(c.button)->click();
        EXPECT_TRUE(answerer.Seen().empty());
        EXPECT_EQ(Outcome(), c.outcome);
        EXPECT_EQ(Collected().m_strOutput, c.output);
        EXPECT_EQ(Collected().m_nOutputDest, c.destination);
        if (c.createsEmptyFile) {
            EXPECT_TRUE(std::filesystem::is_regular_file(c.output));
            EXPECT_EQ(ReadFile(c.output), "");
        }
    }
    EXPECT_FALSE(std::filesystem::exists("missing-dir"));
}

TEST_F(SettingsDlgExchangeTest, OutputThatCannotBeCreatedIsRefused) {
    ASSERT_EQ(::mkfifo("pipe", 0600), 0);
    // A directory counts as absent, so no question comes first; the pipe is asked about. With
    // nobody reading the pipe, creating fails at once instead of hanging the dialog.
    for (const char* output : {"missing-dir/out.txt", "tree", "tree/", "pipe"}) {
        SCOPED_TRACE(output);
        OpenToFile(output);
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

TEST_F(SettingsDlgExchangeTest, OkAndCloseHandBackEveryValue) {
    for (const char* buttonName : {"okButton", "closeButton"}) {
        SCOPED_TRACE(buttonName);
        OpenToFile();
        Check("sortOutputCheck")->click();
        Check("noRecursionCheck")->click();
        Radio("asciiRadio")->click();
        Edit("inputEdit")->setText("present.txt");
        Edit("outputEdit")->setText("results.txt");
        Button(buttonName)->click();
        EXPECT_EQ(Outcome(), buttonName == std::string("okButton") ? CCrcSettingsDlg::kResultOk
                                                                   : CCrcSettingsDlg::kResultClose);
        // The opening values with the clicks and typing above; sorting prints tabular lines.
        const CCRCSettings expected = Settings()
                                          .ToFile()
                                          .Sort()
                                          .NoRecursion()
                                          .Ascii()
                                          .Tabular()
                                          .Input("present.txt")
                                          .Output("results.txt")
                                          .Build();
        EXPECT_EQ(Fields(Collected()), Fields(expected));
        EXPECT_TRUE(std::filesystem::exists("results.txt"));
        std::filesystem::remove("results.txt");
    }
}

// Every way of cancelling ends with kResultCancel and runs no check, whatever the boxes hold.
TEST_F(SettingsDlgExchangeTest, CancelEscAndCloseBoxCheckNothing) {
    const std::vector<std::function<void(CCrcSettingsDlg&)>> cancels = {
        [this](CCrcSettingsDlg&) { Button("cancelButton")->click(); },
        [](CCrcSettingsDlg& dialog) { QTest::keyClick(&dialog, Qt::Key_Escape); },
        [](CCrcSettingsDlg& dialog) { dialog.close(); },
    };
    for (const auto& cancel : cancels) {
        CCrcSettingsDlg& dialog = OpenToFile("out.txt");
        Edit("inputEdit")->setText("absent.txt");
        ModalAnswerer answerer;
        cancel(dialog);
        EXPECT_TRUE(answerer.Seen().empty());
        EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultCancel);
        EXPECT_EQ(Collected().m_strInput, "");
        EXPECT_EQ(ReadFile("out.txt"), "old results");
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
}  // namespace quillmark::testing
