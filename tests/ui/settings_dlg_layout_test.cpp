// settings_dlg_layout_test.cpp - what "Quillmark Options" shows: texts, mnemonics, tab order and
// the arrangement of its groups and buttons.
#include <QAbstractButton>
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <functional>
#include <map>
#include <vector>

#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::test {
namespace {

class SettingsDlgLayoutTest : public SettingsDlgTest {
protected:
    static bool WaitFor(const std::function<bool()>& condition) {
        QDeadlineTimer deadline(2000);
        while (!condition()) {
            if (deadline.hasExpired()) return false;
            QTest::qWait(10);
        }
        return true;
    }

    QRect Frame(const QWidget* widget) const {
        return QRect(widget->mapTo(m_dialog.get(), QPoint(0, 0)), widget->size());
    }
    QRect Frame(const char* objectName) const { return Frame(Find<QWidget>(objectName)); }

    QGroupBox* Group(const QString& title) const {
        for (QGroupBox* group : m_dialog->findChildren<QGroupBox*>()) {
            if (group->title() == title) return group;
        }
        ADD_FAILURE() << title.toStdString();
        return nullptr;
    }

    // Opened with output to a file, so that both path boxes take the focus.
    void OpenForFile() {
        CCRCSettings settings;
        settings.m_nOutputDest = 0;
        Open(settings);
    }
};

TEST_F(SettingsDlgLayoutTest, CaptionAndButtonTexts) {
    OpenForFile();
    EXPECT_EQ(m_dialog->windowTitle(), "Quillmark Options");
    const std::pair<const char*, const char*> texts[] = {
        {"okButton", "OK"},
        {"defaultsButton", "&Defaults"},
        {"cancelButton", "Cancel"},
        {"sortOutputCheck", "&Sort output"},
        {"noRecursionCheck", "No &recursion"},
        {"dirWildcardsCheck", "Directory &wildcards"},
        {"lowercaseCheck", "&Lowercase output"},
        {"unixLfCheck", "Convert &Unix LF's"},
        {"saveToFileRadio", "Sa&ve output to file"},
        {"sendToScreenRadio", "Send to scree&n"},
        {"descriptiveRadio", "D&escriptive format"},
        {"tabularRadio", "&Tablular format"},
        {"asciiRadio", "Use &ASCII mode for reading files"},
        {"binaryRadio", "Use &Binary mode for reading files"},
        {"inputBrowseButton", "Browse..."},
        {"outputBrowseButton", "Browse..."},
        {"closeButton", "&Close"},
    };
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(Find<QAbstractButton>(name)->text(), text) << name;
    }
    EXPECT_TRUE(Button("okButton")->isDefault());
    for (const char* name : {"defaultsButton", "cancelButton", "closeButton"}) {
        EXPECT_FALSE(Button(name)->isDefault()) << name;
    }
}

TEST_F(SettingsDlgLayoutTest, GroupsHoldTheirControls) {
    OpenForFile();
    const std::pair<const char*, std::vector<const char*>> groups[] = {
        {"Processing Options",
         {"sortOutputCheck", "noRecursionCheck", "dirWildcardsCheck", "lowercaseCheck",
          "unixLfCheck"}},
        {"Output Options", {"saveToFileRadio", "sendToScreenRadio"}},
        {"Output Style", {"descriptiveRadio", "tabularRadio"}},
        {"File Options",
         {"asciiRadio", "binaryRadio", "inputEdit", "inputBrowseButton", "outputEdit",
          "outputBrowseButton"}},
    };
    for (const auto& [title, members] : groups) {
        QGroupBox* group = Group(title);
        ASSERT_NE(group, nullptr);
        int previousTop = -1;
        for (const char* name : members) {
            QWidget* member = Find<QWidget>(name);
            EXPECT_TRUE(group->isAncestorOf(member)) << title << " " << name;
            // Members run down the group in their order; a Browse button sits beside its box.
            const int top = Frame(member).top();
            EXPECT_GE(top, previousTop) << name;
            previousTop = top;
        }
    }
}

TEST_F(SettingsDlgLayoutTest, LabelsLeadIntoTheirBoxes) {
    OpenForFile();
    const std::pair<const char*, const char*> labels[] = {
        {"&File/Directory to process", "inputEdit"}, {"&Output File", "outputEdit"}};
    for (const auto& [text, editName] : labels) {
        QLabel* found = nullptr;
        for (QLabel* label : m_dialog->findChildren<QLabel*>()) {
            if (label->text() == text) found = label;
        }
        ASSERT_NE(found, nullptr) << text;
        EXPECT_EQ(found->buddy(), Edit(editName));
        EXPECT_LT(Frame(found).bottom(), Frame(editName).top()) << text;
    }
}

// Each mnemonic reaches exactly one control: a letter used twice would only cycle the focus.
// Boxes, radios and labels move the focus; a push button is clicked (after its short press).
TEST_F(SettingsDlgLayoutTest, EveryMnemonicReachesItsControl) {
    const std::pair<Qt::Key, const char*> focusing[] = {
        {Qt::Key_S, "sortOutputCheck"},   {Qt::Key_R, "noRecursionCheck"},
        {Qt::Key_W, "dirWildcardsCheck"}, {Qt::Key_L, "lowercaseCheck"},
        {Qt::Key_U, "unixLfCheck"},       {Qt::Key_V, "saveToFileRadio"},
        {Qt::Key_N, "sendToScreenRadio"}, {Qt::Key_E, "descriptiveRadio"},
        {Qt::Key_T, "tabularRadio"},      {Qt::Key_A, "asciiRadio"},
        {Qt::Key_B, "binaryRadio"},       {Qt::Key_F, "inputEdit"},
        {Qt::Key_O, "outputEdit"},
    };
    for (const auto& [key, name] : focusing) {
        SCOPED_TRACE(name);
        OpenForFile();
        QTest::keyClick(m_dialog.get(), key, Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(name));
    }

    OpenForFile();
    QTest::keyClick(m_dialog.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return !Check("lowercaseCheck")->isEnabled(); }));
    EXPECT_TRUE(Check("sortOutputCheck")->isChecked());

    QTest::keyClick(m_dialog.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return !Check("sortOutputCheck")->isChecked(); }));
    EXPECT_EQ(QApplication::focusWidget(), Button("defaultsButton"));

    QTest::keyClick(m_dialog.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return Outcome() == CCrcSettingsDlg::kResultClose; }));
}

TEST_F(SettingsDlgLayoutTest, FocusChainFollowsTheTemplateOrder) {
    OpenForFile();
    const char* const order[] = {
        "okButton",         "defaultsButton",     "cancelButton",     "sortOutputCheck",
        "noRecursionCheck", "dirWildcardsCheck",  "lowercaseCheck",   "unixLfCheck",
        "saveToFileRadio",  "sendToScreenRadio",  "descriptiveRadio", "tabularRadio",
        "asciiRadio",       "binaryRadio",        "inputEdit",        "inputBrowseButton",
        "outputEdit",       "outputBrowseButton", "closeButton",      "okButton"};
    EXPECT_EQ(QApplication::focusWidget(), Button("okButton"));
    QWidget* widget = Button("okButton");
    for (const char* name : order) {
        EXPECT_EQ(widget, Find<QWidget>(name)) << name;
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
    }
}

// Tab enters each radio group once (arrow keys move within it), as Qt dialogs do.
TEST_F(SettingsDlgLayoutTest, TabKeyWalksTheDialogInTemplateOrder) {
    OpenForFile();
    const std::map<QString, QString> groupOf = {
        {"saveToFileRadio", "destination"}, {"sendToScreenRadio", "destination"},
        {"descriptiveRadio", "style"},      {"tabularRadio", "style"},
        {"asciiRadio", "read mode"},        {"binaryRadio", "read mode"}};
    const QStringList expected = {"okButton",
                                  "defaultsButton",
                                  "cancelButton",
                                  "sortOutputCheck",
                                  "noRecursionCheck",
                                  "dirWildcardsCheck",
                                  "lowercaseCheck",
                                  "unixLfCheck",
                                  "destination",
                                  "style",
                                  "read mode",
                                  "inputEdit",
                                  "inputBrowseButton",
                                  "outputEdit",
                                  "outputBrowseButton",
                                  "closeButton",
                                  "okButton"};
    QStringList visited;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        const QString name = focused->objectName();
        visited << (groupOf.count(name) ? groupOf.at(name) : name);
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(SettingsDlgLayoutTest, ArrangementFollowsTheClassicTemplate) {
    OpenForFile();
    const QRect processing = Frame(Group("Processing Options"));
    const QRect output = Frame(Group("Output Options"));
    const QRect style = Frame(Group("Output Style"));
    const QRect files = Frame(Group("File Options"));
    // Left column, top to bottom.
    EXPECT_LT(processing.bottom(), output.top());
    EXPECT_LT(output.bottom(), style.top());
    EXPECT_EQ(processing.left(), output.left());
    EXPECT_EQ(output.left(), style.left());
    // File options on the right, level with the first group.
    EXPECT_LT(processing.right(), files.left());
    EXPECT_EQ(processing.top(), files.top());
    // The buttons below the file options: Defaults and OK on one row, Close and Cancel below.
    const QRect ok = Frame("okButton");
    const QRect defaults = Frame("defaultsButton");
    const QRect close = Frame("closeButton");
    const QRect cancel = Frame("cancelButton");
    EXPECT_LT(files.bottom(), defaults.top());
    EXPECT_EQ(defaults.top(), ok.top());
    EXPECT_LT(defaults.right(), ok.left());
    EXPECT_EQ(close.top(), cancel.top());
    EXPECT_LT(ok.bottom(), cancel.top());
    EXPECT_EQ(close.left(), defaults.left());
    EXPECT_EQ(cancel.left(), ok.left());
    EXPECT_GT(defaults.left(), files.left());
    EXPECT_LE(ok.right(), files.right());
    // Each Browse button on its box's row, to the right of it.
    for (const auto& [edit, browse] : {std::pair{"inputEdit", "inputBrowseButton"},
                                       std::pair{"outputEdit", "outputBrowseButton"}}) {
        EXPECT_LT(Frame(edit).right(), Frame(browse).left()) << browse;
        EXPECT_TRUE(Frame(browse).contains(Frame(browse).left(), Frame(edit).center().y()))
            << browse;
    }
}

}  // namespace
}  // namespace quillmark::test
