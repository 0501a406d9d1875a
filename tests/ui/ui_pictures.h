#pragma once
// Pictures of windows and controls rendered offscreen by the tests, for a reviewer to look at:
// written into a "pictures" folder beside the test program (inside the build tree).

#include <QCoreApplication>
#include <QDir>
#include <QImage>

namespace sptest {

inline QString savePicture(const QImage& image, const QString& name) {
    const QString folder = QCoreApplication::applicationDirPath() + "/pictures";
    QDir().mkpath(folder);
    const QString path = folder + "/" + name;
    return image.save(path) ? path : QString();
}

} // namespace sptest
