// settings_dlg_drop_test.cpp - files dropped on "Quillmark Options": one replaces the input,
// more do nothing, and the refill shows the members again.
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <filesystem>

#include "tests/ui/modal_answerer.h"
#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::test {
namespace {

class SettingsDlgDropTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        WriteFile("first.txt", "1");
        WriteFile("second.txt", "2");
    }

    // Drops on target (the dialog or one of its controls); true when the drop was accepted.
    bool Drop(const QList<QUrl>& urls, QWidget* target = nullptr) {
        if (target == nullptr) target = m_dialog.get();
        QMimeData data;
        data.setUrls(urls);
        const QPoint centre = target->rect().center();
        QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted();
    }

    QUrl Local(const std::string& name) const {
        return QUrl::fromLocalFile(QString::fromStdString(ScratchPath(name)));
    }

    static CCRCSettings WithInput(const std::string& input) {
        CCRCSettings settings;
        settings.m_strInput = input;
        return settings;
    }
};

TEST_F(SettingsDlgDropTest, OnePathReplacesTheInput) {
    Open(WithInput("second.txt"));
    ASSERT_TRUE(Drop({Local("first.txt")}));
    EXPECT_EQ(Edit("inputEdit")->text().toStdString(), ScratchPath("first.txt"));
    EXPECT_EQ(Collected().m_strInput, ScratchPath("first.txt"));
    Button("okButton")->click();
    EXPECT_EQ(Outcome(), CCrcSettingsDlg::kResultOk);
    EXPECT_EQ(Collected().m_strInput, ScratchPath("first.txt"));
}

TEST_F(SettingsDlgDropTest, DropOnAnEditBoxReachesTheDialogAndTypesNoUrl) {
    Open(WithInput("second.txt"));
    Drop({Local("first.txt")}, Edit("outputEdit"));
    EXPECT_EQ(Edit("outputEdit")->text(), "");
    EXPECT_EQ(Edit("inputEdit")->text().toStdString(), ScratchPath("first.txt"));
}

TEST_F(SettingsDlgDropTest, TwoPathsOrARemoteOneChangeNothing) {
    const QList<QList<QUrl>> drops = {{Local("first.txt"), Local("second.txt")},
                                      {QUrl("https://example.org/file.txt")}};
    for (const QList<QUrl>& urls : drops) {
        Open(WithInput("second.txt"));
        Check("lowercaseCheck")->click();
        Drop(urls);
        EXPECT_EQ(Edit("inputEdit")->text(), "second.txt");
        EXPECT_EQ(Collected().m_strInput, "second.txt");
        EXPECT_TRUE(Check("lowercaseCheck")->isChecked());
    }
}

TEST_F(SettingsDlgDropTest, RefillShowsTheMembersAgain) {
    CCRCSettings settings = WithInput("second.txt");
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

    Drop({Local("first.txt")});
    EXPECT_FALSE(Check("lowercaseCheck")->isChecked());
    EXPECT_FALSE(Check("dirWildcardsCheck")->isChecked());
    EXPECT_TRUE(Radio("asciiRadio")->isChecked());
    EXPECT_TRUE(Check("sortOutputCheck")->isChecked());
    EXPECT_TRUE(Radio("tabularRadio")->isChecked());
    EXPECT_TRUE(Radio("saveToFileRadio")->isChecked());
    EXPECT_TRUE(Edit("outputEdit")->isEnabled());
    EXPECT_EQ(Edit("outputEdit")->text(), "typed.txt");
}

TEST_F(SettingsDlgDropTest, DropRunsTheInputCheckButNotTheOutputCheck) {
    WriteFile("out.txt", "old results");
    CCRCSettings settings;
    settings.m_nOutputDest = 0;
    settings.m_strOutput = "out.txt";
    Open(settings);
    ModalAnswerer answerer(QMessageBox::Yes, 2);
    ASSERT_TRUE(Drop({QUrl::fromLocalFile("/")}));
    EXPECT_TRUE(answerer.Seen().empty());
    EXPECT_EQ(ReadFile("out.txt"), "old results");
    EXPECT_EQ(Edit("inputEdit")->text(), "/");
    EXPECT_EQ(Collected().m_strInput, "/*.*");
}

TEST_F(SettingsDlgDropTest, DroppedPathThatVanishedIsReported) {
    Open(WithInput("second.txt"));
    const QUrl gone = Local("gone.txt");
    ModalAnswerer answerer;
    Drop({gone});
    ASSERT_EQ(answerer.Seen().size(), 1u);
    EXPECT_EQ(answerer.Seen()[0].caption, "Unable to find input file");
    EXPECT_EQ(Edit("inputEdit")->text(), gone.toLocalFile());
}

}  // namespace
}  // namespace quillmark::test
