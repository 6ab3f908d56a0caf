// save_output.cpp - saving the pane's text through the atomic replace of the settings file.
#include "ui/save_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFileDialog>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/atomic_file_write.h"
#include "processing/name_escaping.h"
#include "processing/run_reporting.h"
#include "ui/message_box.h"
#include "ui/output_pane.h"
#include "ui/resources/ui_texts.h"

namespace quillmark {

std::string WriteOutputFile(const std::string& path, const QByteArray& text) {
    // The replace renames a new file over the old one, which needs only the directory's
    // permission; a file the user may not write must stay as it is all the same.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISREG(existing.st_mode) &&
        ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) {
        return std::strerror(errno);
    }
    errno = 0;
    if (ReplaceFileAtomically(
            path, std::string_view(text.constData(), static_cast<std::size_t>(text.size())))) {
        return {};
    }
    return errno != 0 ? std::strerror(errno) : "the file could not be written";
}

void SaveOutputAs(QWidget* owner, const OutputPane& pane) {
    const QString chosen = QFileDialog::getSaveFileName(
        owner, QString::fromLatin1(kSaveOutputCaption), QDir::homePath());
    if (chosen.isEmpty()) return;
    const std::string path = chosen.toLocal8Bit().toStdString();
    const std::string reason = WriteOutputFile(path, pane.AllUtf8());
    if (reason.empty()) return;
    ShowErrorBox(
        owner,
        QString::fromLatin1(kSaveOutputFailedText)
            .arg(QString::fromLocal8Bit(EscapeForDisplay(path)), QString::fromLocal8Bit(reason)),
        QString::fromLatin1(kErrorCaption));
}

}  // namespace quillmark
