// settings_dlg_drop_test.cpp - files dropped on "Quillmark Options": one replaces the input,
// more do nothing, and the refill shows the members again.
#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::testing {
namespace {

class SettingsDlgDropTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        WriteFile("first.txt", "1");
        WriteFile("second.txt", "2");
    }

    QUrl Local(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(ScratchPath(name)));
    }

    CCrcSettingsDlg& OpenWithInput(const std::string& input) {
        CCRCSettings settings;
        settings.m_strInput = input;
        return Open(settings);
    }
};

// A drop on an edit box reaches the dialog too, and types no URL into the box.
TEST_F(SettingsDlgDropTest, OnePathReplacesTheInputWhereverItIsDropped) {
    for (const char* target : {"", "outputEdit"}) {
        SCOPED_TRACE(target);
        OpenWithInput("second.txt");
        QWidget* on = *target ? static_cast<QWidget*>(Edit(target)) : m_dialog.get();
        EXPECT_TRUE(DropUrls(*on, {Local("first.txt")}));
        EXPECT_EQ(Edit("outputEdit")->text(), "");
        EXPECT_EQ(Edit("inputEdit")->text().toStdString(), ScratchPath("first.txt"));
        EXPECT_EQ(Collected().m_strInput, ScratchPath("first.txt"));
        Button("okButton")->click();
        EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
        EXPECT_EQ(Collected().m_strInput, ScratchPath("first.txt"));
    }
}

TEST_F(SettingsDlgDropTest, TwoPathsOrARemoteOneChangeNothing) {
    const QList<QList<QUrl>> drops = {{Local("first.txt"), Local("second.txt")},
                                      {QUrl("https://example.org/file.txt")}};
    for (const QList<QUrl>& urls : drops) {
        OpenWithInput("second.txt");
        Check("lowercaseCheck")->click();
        DropUrls(*m_dialog, urls);
        EXPECT_EQ(Edit("inputEdit")->text(), "second.txt");
        EXPECT_EQ(Collected().m_strInput, "second.txt");
        EXPECT_TRUE(Check("lowercaseCheck")->isChecked());
    }
}

TEST_F(SettingsDlgDropTest, RefillShowsTheMembersAgain) {
    CCRCSettings settings;
    settings.m_strInput = "second.txt";
    settings.m_nReadMode = 0;
    Open(settings);
    // These follow their members only when the values are collected: the drop undoes them.
    Check("lowercaseCheck")->click();
    Check("dirWildcardsCheck")->click();
    Radio("binaryRadio")->click();
    // These move their members at once: the drop keeps them.
    Check("sortOutputCheck")->click();
    Radio("saveToFileRadio")->click();
    Edit("outputEdit")->setText("typed.txt");

    DropUrls(*m_dialog, {Local("first.txt")});
    EXPECT_FALSE(Check("lowercaseCheck")->isChecked());
    EXPECT_FALSE(Check("dirWildcardsCheck")->isChecked());
    EXPECT_TRUE(Radio("asciiRadio")->isChecked());
    EXPECT_TRUE(Check("sortOutputCheck")->isChecked());
    EXPECT_TRUE(Radio("tabularRadio")->isChecked());
    EXPECT_TRUE(Radio("saveToFileRadio")->isChecked());
    EXPECT_TRUE(Edit("outputEdit")->isEnabled());
    EXPECT_EQ(Edit("outputEdit")->text(), "typed.txt");
}

// The input check runs (and reports a path that vanished), the output check does not.
TEST_F(SettingsDlgDropTest, DropRunsTheInputCheckButNotTheOutputCheck) {
    WriteFile("out.txt", "old results");
    OpenToFile("out.txt");
    {
        ModalAnswerer answerer(QMessageBox::Yes, 2);
        ASSERT_TRUE(DropUrls(*m_dialog, {QUrl::fromLocalFile("/")}));
        EXPECT_TRUE(answerer.Seen().empty());
        EXPECT_EQ(ReadFile("out.txt"), "old results");
        EXPECT_EQ(Edit("inputEdit")->text(), "/");
        EXPECT_EQ(Collected().m_strInput, "/*.*");
    }
    const QUrl gone = Local("gone.txt");
    ModalAnswerer answerer(QMessageBox::Ok, 2);
    DropUrls(*m_dialog, {gone});
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].caption, "Unable to find input file");
    EXPECT_EQ(Edit("inputEdit")->text(), gone.toLocalFile());
    EXPECT_EQ(ReadFile("out.txt"), "old results");
}

}  // namespace
}  // namespace quillmark::testing
