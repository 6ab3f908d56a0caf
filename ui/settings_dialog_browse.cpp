// settings_dialog_browse.cpp - file dialogs that start where the path box points.
#include "ui/settings_dialog_browse.h"

#include <QFileDialog>
#include <QFileInfo>

namespace quillmark {
namespace {

// A pattern such as "src/*.cpp" is no place to open a file dialog; its directory is.
QString StartPath(const QString& current) {
    if (current.contains(QLatin1Char('*')) || current.contains(QLatin1Char('?'))) {
        return QFileInfo(current).path();
    }
    return current;
}

}  // namespace

QString ChooseInputFile(QWidget* parent, const QString& current) {
    return QFileDialog::getOpenFileName(parent, QObject::tr("Choose the file to process"),
                                        StartPath(current));
}

QString ChooseInputDirectory(QWidget* parent, const QString& current) {
    QString directory = QFileDialog::getExistingDirectory(
        parent, QObject::tr("Choose the directory to process"), StartPath(current));
    if (!directory.isEmpty() && !directory.endsWith(QLatin1Char('/'))) {
        directory += QLatin1Char('/');
    }
    return directory;
}

QString ChooseOutputFile(QWidget* parent, const QString& current) {
    return QFileDialog::getSaveFileName(parent, QObject::tr("Choose the output file"),
                                        StartPath(current), QString(), nullptr,
                                        QFileDialog::DontConfirmOverwrite);
}

}  // namespace quillmark
