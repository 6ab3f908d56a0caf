// message_box.cpp - error and question boxes, modal to their owner.
#include "ui/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

#include "ui/cursor_scope.h"

namespace quillmark {
namespace {

// Room beside a caption for the title bar's icon and its buttons.
constexpr int kTitleBarAllowance = 120;

// Several messages end with a line feed, which a box would show as an empty line above its
// buttons; the message itself keeps it.
QString ShownText(QString text) {
    while (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    return text;
}

// A short text would make a box narrower than its caption, which the title bar then cuts; a
// spacer across the box's grid keeps room for the caption and the title bar's buttons.
void FitCaption(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (grid == nullptr) return;
    const int width = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                          .horizontalAdvance(box.windowTitle()) +
                      kTitleBarAllowance;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

int ExecBox(QMessageBox& box) {
    // Texts carry paths, and a path may look like markup ("/data/<i>x</i>/").
    box.setTextFormat(Qt::PlainText);
    FitCaption(box);
    // Whatever cursor a command set for its work, a box waiting for the user shows the arrow.
    const CursorScope arrow(Qt::ArrowCursor);
    return box.exec();
}

}  // namespace

void ShowErrorBox(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::NoIcon, caption, ShownText(text), QMessageBox::Ok, owner);
    ExecBox(box);
}

bool AskYesNo(QWidget* owner, const QString& text, const QString& caption) {
    QMessageBox box(QMessageBox::Question, caption, ShownText(text),
                    QMessageBox::Yes | QMessageBox::No, owner);
    box.setDefaultButton(QMessageBox::Yes);
    return ExecBox(box) == QMessageBox::Yes;
}

}  // namespace quillmark
