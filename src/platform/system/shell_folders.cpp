#include "platform/system/shell_folders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace sp {

namespace {

// The XDG folder of that kind, or empty when it is not set up: missing, not a folder, or the
// home folder itself (how xdg-user-dirs marks a folder the user turned off).
QString existingFolder(QStandardPaths::StandardLocation location) {
    const QString path = QStandardPaths::writableLocation(location);
    if (path.isEmpty() || !QFileInfo(path).isDir()) return {};
    if (QDir(path) == QDir(QDir::homePath())) return {};
    return QDir::cleanPath(path);
}

} // namespace

QString PersonalFolder() {
    const QString documents = existingFolder(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::cleanPath(QDir::homePath()) : documents;
}

QString PicturesFolder() {
    const QString pictures = existingFolder(QStandardPaths::PicturesLocation);
    return pictures.isEmpty() ? PersonalFolder() : pictures;
}

} // namespace sp
