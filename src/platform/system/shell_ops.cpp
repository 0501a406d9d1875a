#include "platform/system/shell_ops.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <filesystem>
#include <system_error>

namespace sp {
namespace {

constexpr auto kFileManagerService = "org.freedesktop.FileManager1";
constexpr auto kFileManagerPath = "/org/freedesktop/FileManager1";
// Questions to the bus daemon itself; it answers at once unless something is badly wrong.
constexpr int kBusQuestionTimeoutMs = 500;

bool hasScheme(const QString& target) {
    // Two letters at least, so that a drive-like "c:" is not taken for a scheme.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    return scheme.match(target).hasMatch();
}

bool isHex(QChar c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// Escapes a mail field, keeping the "%XX" escapes the caller wrote.
QString encodeMailField(const QString& text) {
    static const QByteArray keep = "-._~!$'()*+,;=:@/?";
    QString out;
    QString plain;
    const auto flush = [&] {
        out += QString::fromLatin1(plain.toUtf8().toPercentEncoding(keep));
        plain.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 2 < text.size() && isHex(text[i + 1]) && isHex(text[i + 2])) {
            flush();
            out += text.mid(i, 3);
            i += 2;
        } else {
            plain += text[i];
        }
    }
    flush();
    return out;
}

bool openFolder(const QString& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// Whether some program owns, or the bus would start, the file manager service.
bool fileManagerOnBus(const QDBusConnection& bus) {
    const auto ask = [&](const char* method, const QVariantList& args) {
        QDBusMessage m = QDBusMessage::createMethodCall(
            "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method);
        m.setArguments(args);
        return bus.call(m, QDBus::Block, kBusQuestionTimeoutMs);
    };
    const QDBusMessage owned = ask("NameHasOwner", {QString::fromLatin1(kFileManagerService)});
    if (owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool())
        return true;
    const QDBusMessage activatable = ask("ListActivatableNames", {});
    return activatable.type() == QDBusMessage::ReplyMessage &&
           activatable.arguments().value(0).toStringList().contains(kFileManagerService);
}

} // namespace

bool OpenDocument(QString target) {
    if (target.endsWith(u'\u00A9')) target.chop(1);
    target = target.trimmed();
    if (target.isEmpty()) return false;
    const QUrl url = hasScheme(target) ? QUrl(target, QUrl::TolerantMode)
                                       : QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    return url.isValid() && QDesktopServices::openUrl(url);
}

QString MailUrl(const QString& address, const QString& subject, const QString& body) {
    return "mailto:" + encodeMailField(address) + "?subject=" + encodeMailField(subject) +
           "&body=" + encodeMailField(body);
}

bool SendMail(const QString& address, const QString& subject, const QString& body) {
    return QDesktopServices::openUrl(
        QUrl::fromEncoded(MailUrl(address, subject, body).toLatin1(), QUrl::StrictMode));
}

bool ShowInFileBrowser(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) return false;
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    // The bus connection needs the application object; without one there is no bus to ask.
    if (!QCoreApplication::instance()) return openFolder(folder);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !fileManagerOnBus(bus)) return openFolder(folder);
    QDBusMessage call = QDBusMessage::createMethodCall(kFileManagerService, kFileManagerPath,
                                                       kFileManagerService, "ShowItems");
    call.setArguments(
        {QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()}, QString()});
    // The file manager may take a while to start; its answer is awaited by the event loop.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), QCoreApplication::instance());
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                     [folder](QDBusPendingCallWatcher* w) {
                         if (w->isError()) openFolder(folder);
                         w->deleteLater();
                     });
    return true;
}

bool ForceDeleteFile(const QString& path) {
    namespace fs = std::filesystem;
    const fs::path p = path.toStdString();
    std::error_code error;
    const fs::file_status status = fs::symlink_status(p, error);
    if (error || !fs::exists(status) || fs::is_directory(status)) return false;
    if (!fs::is_symlink(status))
        fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add,
                        error);
    return fs::remove(p, error) && !error;
}

} // namespace sp
