// settings_dlg_layout_test.cpp - what "Quillmark Options" shows: texts, mnemonics, tab order and
// the arrangement of its groups and buttons.
#include <QDeadlineTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>

#include "tests/ui/settings_dlg_fixture.h"

namespace quillmark::testing {
namespace {

struct Control {
    const char* name;
    const char* text;   // a path box's is the text of the label that leads into it
    const char* group;  // "" for the buttons outside the groups
};

// Every control, in the template's tab order.
const Control kControls[] = {
    {"okButton", "OK", ""},
    {"defaultsButton", "&Defaults", ""},
    {"cancelButton", "Cancel", ""},
    {"sortOutputCheck", "&Sort output", "Processing Options"},
    {"noRecursionCheck", "No &recursion", "Processing Options"},
    {"dirWildcardsCheck", "Directory &wildcards", "Processing Options"},
    {"lowercaseCheck", "&Lowercase output", "Processing Options"},
    {"unixLfCheck", "Convert &Unix LF's", "Processing Options"},
    {"saveToFileRadio", "Sa&ve output to file", "Output Options"},
    {"sendToScreenRadio", "Send to scree&n", "Output Options"},
    {"descriptiveRadio", "D&escriptive format", "Output Style"},
    {"tabularRadio", "&Tablular format", "Output Style"},
    {"asciiRadio", "Use &ASCII mode for reading files", "File Options"},
    {"binaryRadio", "Use &Binary mode for reading files", "File Options"},
    {"inputEdit", "&File/Directory to process", "File Options"},
    {"inputBrowseButton", "Browse...", "File Options"},
    {"outputEdit", "&Output File", "File Options"},
    {"outputBrowseButton", "Browse...", "File Options"},
    {"closeButton", "&Close", ""},
};

class SettingsDlgLayoutTest : public SettingsDlgTest {
protected:
    void SetUp() override {
        SettingsDlgTest::SetUp();
        OpenToFile();  // so that both path boxes take part
    }

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

    template <typename Widget>
    Widget* WithText(const QString& text, QString (Widget::*textOf)() const) const {
        for (Widget* widget : m_dialog->findChildren<Widget*>()) {
            if ((widget->*textOf)() == text) return widget;
        }
        ADD_FAILURE() << text.toStdString();
        return nullptr;
    }
    QGroupBox* Group(const char* title) const { return WithText(title, &QGroupBox::title); }
};

// A path box's label sits above it and leads into it; its Browse button is on its row.
TEST_F(SettingsDlgLayoutTest, ControlsHaveTheirTextsAndSitInTheirGroupsInOrder) {
    EXPECT_EQ(m_dialog->windowTitle(), "Quillmark Options");
    std::map<std::string, int> previousTop;
    for (const Control& c : kControls) {
        SCOPED_TRACE(c.name);
        QWidget* control = Find<QWidget>(c.name);
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            EXPECT_EQ(button->text(), c.text);
        } else {
            QLabel* label = WithText(c.text, &QLabel::text);
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->buddy(), control);
            EXPECT_LT(Frame(label).bottom(), Frame(control).top());
        }
        if (*c.group == '\0') continue;
        QGroupBox* group = Group(c.group);
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(group->isAncestorOf(control));
        // Members run down the group in their order; a Browse button sits beside its box.
        const int top = Frame(control).top();
        EXPECT_GE(top, previousTop.emplace(c.group, -1).first->second);
        previousTop[c.group] = top;
    }
    for (const auto& [edit, browse] : {std::pair{"inputEdit", "inputBrowseButton"},
                                       std::pair{"outputEdit", "outputBrowseButton"}}) {
        EXPECT_LT(Frame(edit).right(), Frame(browse).left()) << browse;
        EXPECT_TRUE(Frame(browse).contains(Frame(browse).left(), Frame(edit).center().y()))
            << browse;
    }
    EXPECT_TRUE(Button("okButton")->isDefault());
    for (const char* name : {"defaultsButton", "cancelButton", "closeButton"}) {
        EXPECT_FALSE(Button(name)->isDefault()) << name;
    }
}

// Each mnemonic reaches exactly one control: a letter used twice would only cycle the focus.
// Boxes, radios and labels move the focus; a push button is clicked (after its short press).
TEST_F(SettingsDlgLayoutTest, EveryMnemonicReachesItsControl) {
    for (const Control& c : kControls) {
        const char* amp = std::strchr(c.text, '&');
        QWidget* control = Find<QWidget>(c.name);
        if (amp == nullptr || qobject_cast<QPushButton*>(control) != nullptr) continue;
        SCOPED_TRACE(c.name);
        OpenToFile();
        QTest::keyClick(m_dialog.get(), static_cast<char>(std::tolower(amp[1])), Qt::AltModifier);
        EXPECT_EQ(QApplication::focusWidget(), Find<QWidget>(c.name));
    }

    OpenToFile();
    QTest::keyClick(m_dialog.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return Check("sortOutputCheck")->isChecked(); }));

    QTest::keyClick(m_dialog.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return !Check("sortOutputCheck")->isChecked(); }));
    EXPECT_EQ(QApplication::focusWidget(), Button("defaultsButton"));

    QTest::keyClick(m_dialog.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([this] { return Outcome() == CCrcSettingsDlg::kResultClose; }));
}

// The focus chain holds every control in order and comes back round; the Tab key enters each
// run of radios in a group once (arrow keys move within it), as Qt dialogs do.
TEST_F(SettingsDlgLayoutTest, FocusChainAndTabKeyFollowTheTemplateOrder) {
    const auto stop = [](const Control& c) {
        return std::strstr(c.name, "Radio") ? QString("radios of ") + c.group : QString(c.name);
    };
    std::map<QString, QString> stopOf;
    QStringList tabStops;
    QWidget* widget = Button("okButton");
    EXPECT_EQ(QApplication::focusWidget(), widget);
    for (const Control& c : kControls) {
        EXPECT_EQ(widget, Find<QWidget>(c.name)) << c.name;
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
        stopOf[c.name] = stop(c);
        if (tabStops.isEmpty() || tabStops.back() != stop(c)) tabStops << stop(c);
    }
    EXPECT_EQ(widget, Button("okButton"));

    tabStops << "okButton";
    QStringList visited;
    for (qsizetype i = 0; i < tabStops.size(); ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        visited << stopOf[focused->objectName()];
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(visited, tabStops);
}

TEST_F(SettingsDlgLayoutTest, ArrangementFollowsTheClassicTemplate) {
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
}

// Paths are long: each box shows at least 60 average characters, and the dialog keeps one size.
TEST_F(SettingsDlgLayoutTest, PathBoxesShowSixtyCharactersInAFixedDialog) {
    for (const char* name : {"inputEdit", "outputEdit"}) {
        SCOPED_TRACE(name);
        auto* edit = Find<QLineEdit>(name);
        QStyleOptionFrame option;
        option.initFrom(edit);
        option.rect = edit->rect();
        option.lineWidth = edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit);
        // Qt's line edit keeps 2 pixels each side inside its contents rectangle.
        const int textWidth =
            edit->style()->subElementRect(QStyle::SE_LineEditContents, &option, edit).width() - 4;
        EXPECT_GE(textWidth, 60 * edit->fontMetrics().averageCharWidth());
    }
    EXPECT_EQ(m_dialog->minimumSize(), m_dialog->maximumSize());
    EXPECT_EQ(m_dialog->size(), m_dialog->minimumSize());
}

}  // namespace
}  // namespace quillmark::testing
