#include "ui/framework_check.h"

#include "platform/outside/framework_version.h"

#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <stdexcept>

namespace sp {

QString FrameworkWarningText(const QString& runningVersion, int builtMajor,
                             const QString& versionText, const QString& languageTag) {
    return "You use FFmpeg " + runningVersion + "." + "\n" +
           QStringLiteral("You should use at least FFmpeg %1 in order to run correctly %2 "
                          "version %3 %4.")
               .arg(builtMajor)
               .arg(QStringLiteral("Stillpick"), versionText, languageTag) +
           "\n" + "Do you want to continue anyway? If yes, the application may not work well.";
}

bool ConfirmFrameworkVersion(int runningMajor, const QString& runningVersion, int builtMajor,
                             const QString& versionText, const QString& languageTag) {
    if (runningMajor >= builtMajor) return true;
    const QString text = FrameworkWarningText(runningVersion, builtMajor, versionText, languageTag);
    if (QGuiApplication::platformName() == u"offscreen") {
        std::fprintf(stderr, "%s\n(offscreen, no one to answer: Yes, the default)\n",
                     qPrintable(text));
        return true;
    }
    return QMessageBox::warning(nullptr, QStringLiteral("Stillpick"), text,
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes) == QMessageBox::Yes;
}

bool CheckFrameworkVersion(const QString& versionText, const QString& languageTag) {
    QString running = QStringLiteral("?");
    try {
        running = QString::fromStdString(DirectXVersionText());
    } catch (const std::exception&) {
        // No readable version: asked about as the oldest.
    }
    return ConfirmFrameworkVersion(DirectXMajorVersion(), running, BuiltFrameworkMajorVersion(),
                                   versionText, languageTag);
}

} // namespace sp
