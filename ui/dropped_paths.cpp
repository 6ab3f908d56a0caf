// dropped_paths.cpp - reading local paths out of a drop's raw text/uri-list bytes.
#include "ui/dropped_paths.h"

#include <QByteArray>
#include <QMimeData>
#include <QSysInfo>

namespace quillmark {
namespace {

// "file:///p", "file://localhost/p", "file://<this host>/p" and "file:/p" name a local path.
bool LocalPathOf(QByteArray url, std::string& path) {
    if (!url.toLower().startsWith("file:")) return false;
    url.remove(0, 5);
    if (url.startsWith("//")) {
        const qsizetype slash = url.indexOf('/', 2);
        if (slash < 0) return false;
        const QByteArray host = url.mid(2, slash - 2).toLower();
        if (!host.isEmpty() && host != "localhost" &&
            host != QSysInfo::machineHostName().toUtf8().toLower()) {
            return false;
        }
        url.remove(0, slash);
    }
    if (!url.startsWith('/')) return false;
    // A local path has no query or fragment; a literal '?' or '#' in a name arrives as %3F, %23.
    const qsizetype end = url.indexOf('?') >= 0 ? url.indexOf('?') : url.indexOf('#');
    if (end >= 0) url.truncate(end);
    path = QByteArray::fromPercentEncoding(url).toStdString();
    return true;
}

}  // namespace

std::vector<std::string> DroppedLocalPaths(const QMimeData* mime) {
    std::vector<std::string> paths;
    if (mime == nullptr) return paths;
    const QByteArray list = mime->data(QStringLiteral("text/uri-list"));
    for (QByteArray line : list.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#')) continue;
        std::string path;
        if (LocalPathOf(line, path)) paths.push_back(std::move(path));
    }
    return paths;
}

}  // namespace quillmark
