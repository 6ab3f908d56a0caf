// settings_dialog_layout.cpp - the controls of "Quillmark Options", arranged as the classic
// two-column options dialog: option groups on the left, file options and buttons on the right.
#include "ui/settings_dialog_layout.h"

#include <QCheckBox>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>
#include <initializer_list>
#include <iterator>

namespace quillmark {
namespace {

template <typename Widget>
Widget* Named(Widget* widget, const char* objectName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    return widget;
}

QGroupBox* GroupOf(const QString& title, std::initializer_list<QWidget*> members) {
    auto* group = new QGroupBox(title);
    auto* column = new QVBoxLayout(group);
    for (QWidget* member : members) column->addWidget(member);
    return group;
}

// Room for 60 average characters of a path: Qt's own width for the box holds 17 'x's, plus its
// frame and margins, which are kept.
void ShowSixtyCharacters(QLineEdit* edit) {
    constexpr int kVisibleCharacters = 60;
    const QFontMetrics metrics = edit->fontMetrics();
    const int chrome = edit->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    edit->setMinimumWidth(kVisibleCharacters * metrics.averageCharWidth() + chrome);
}

// A path box with its Browse button beside it; the label above is the box's buddy, so its
// mnemonic moves the focus into the box.
QWidget* PathRow(QLineEdit* edit, QPushButton* browse) {
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    ShowSixtyCharacters(edit);
    layout->addWidget(edit, 1);
    layout->addWidget(browse);
    // A file dropped on a box must reach the dialog, not be typed into the box as a URL.
    edit->setAcceptDrops(false);
    return row;
}

QLabel* BuddyLabel(const QString& text, QLineEdit* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

SettingsDialogControls BuildSettingsDialogControls(QDialog* dialog) {
    SettingsDialogControls c;
    c.ok = Named(new QPushButton(QObject::tr("OK")), "okButton");
    c.defaults = Named(new QPushButton(QObject::tr("&Defaults")), "defaultsButton");
    c.cancel = Named(new QPushButton(QObject::tr("Cancel")), "cancelButton");
    c.sortOutput = Named(new QCheckBox(QObject::tr("&Sort output")), "sortOutputCheck");
    c.noRecursion = Named(new QCheckBox(QObject::tr("No &recursion")), "noRecursionCheck");
    c.dirWildcards = Named(new QCheckBox(QObject::tr("Directory &wildcards")), "dirWildcardsCheck");
    c.lowercase = Named(new QCheckBox(QObject::tr("&Lowercase output")), "lowercaseCheck");
    c.unixLf = Named(new QCheckBox(QObject::tr("Convert &Unix LF's")), "unixLfCheck");
    c.saveToFile = Named(new QRadioButton(QObject::tr("Sa&ve output to file")), "saveToFileRadio");
    c.sendToScreen = Named(new QRadioButton(QObject::tr("Send to scree&n")), "sendToScreenRadio");
    c.descriptive = Named(new QRadioButton(QObject::tr("D&escriptive format")), "descriptiveRadio");
    c.tabular = Named(new QRadioButton(QObject::tr("&Tablular format")), "tabularRadio");
    c.ascii =
        Named(new QRadioButton(QObject::tr("Use &ASCII mode for reading files")), "asciiRadio");
    c.binary =
        Named(new QRadioButton(QObject::tr("Use &Binary mode for reading files")), "binaryRadio");
    c.input = Named(new QLineEdit, "inputEdit");
    c.inputBrowse = Named(new QPushButton(QObject::tr("Browse...")), "inputBrowseButton");
    c.output = Named(new QLineEdit, "outputEdit");
    c.outputBrowse = Named(new QPushButton(QObject::tr("Browse...")), "outputBrowseButton");
    c.close = Named(new QPushButton(QObject::tr("&Close")), "closeButton");
    c.ok->setDefault(true);

    auto* inputMenu = new QMenu(c.inputBrowse);
    c.inputBrowseFile =
        Named(inputMenu->addAction(QObject::tr("&File...")), "inputBrowseFileAction");
    c.inputBrowseDirectory =
        Named(inputMenu->addAction(QObject::tr("&Directory...")), "inputBrowseDirectoryAction");
    c.inputBrowse->setMenu(inputMenu);
    // The menu arrow widens the input's button; equal widths keep the two boxes aligned.
    const int browseWidth =
        std::max(c.inputBrowse->sizeHint().width(), c.outputBrowse->sizeHint().width());
    c.inputBrowse->setMinimumWidth(browseWidth);
    c.outputBrowse->setMinimumWidth(browseWidth);

    auto* leftColumn = new QVBoxLayout;
    leftColumn->addWidget(
        GroupOf(QObject::tr("Processing Options"),
                {c.sortOutput, c.noRecursion, c.dirWildcards, c.lowercase, c.unixLf}));
    leftColumn->addWidget(GroupOf(QObject::tr("Output Options"), {c.saveToFile, c.sendToScreen}));
    leftColumn->addWidget(GroupOf(QObject::tr("Output Style"), {c.descriptive, c.tabular}));
    leftColumn->addStretch(1);

    auto* fileOptions =
        GroupOf(QObject::tr("File Options"),
                {c.ascii, c.binary, BuddyLabel(QObject::tr("&File/Directory to process"), c.input),
                 PathRow(c.input, c.inputBrowse), BuddyLabel(QObject::tr("&Output File"), c.output),
                 PathRow(c.output, c.outputBrowse)});

    // Defaults beside OK, Close beside Cancel, set in from the right edge of the file options.
    auto* buttons = new QGridLayout;
    buttons->setColumnStretch(0, 1);
    buttons->addWidget(c.defaults, 0, 1);
    buttons->addWidget(c.ok, 0, 2);
    buttons->addWidget(c.close, 1, 1);
    buttons->addWidget(c.cancel, 1, 2);
    buttons->setColumnMinimumWidth(3, c.ok->sizeHint().width() / 2);

    auto* rightColumn = new QVBoxLayout;
    rightColumn->addWidget(fileOptions);
    rightColumn->addSpacing(fileOptions->fontMetrics().height());
    rightColumn->addLayout(buttons);
    rightColumn->addStretch(1);

    auto* columns = new QHBoxLayout(dialog);
    columns->addLayout(leftColumn);
    columns->addLayout(rightColumn, 1);

    QWidget* const tabOrder[] = {c.ok,          c.defaults,     c.cancel,      c.sortOutput,
                                 c.noRecursion, c.dirWildcards, c.lowercase,   c.unixLf,
                                 c.saveToFile,  c.sendToScreen, c.descriptive, c.tabular,
                                 c.ascii,       c.binary,       c.input,       c.inputBrowse,
                                 c.output,      c.outputBrowse, c.close};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    return c;
}

}  // namespace quillmark
