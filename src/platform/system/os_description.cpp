#include "platform/system/os_description.h"

#include <QFile>

#include <sys/utsname.h>

#include <map>

namespace sp {
namespace {

// One value of an os-release line: unquoted, or in single or double quotes with backslash
// escapes in the double-quoted form.
QString unquote(QStringView value) {
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
        value.back() == value.front()) {
        const bool escapes = value.front() == u'"';
        value = value.mid(1, value.size() - 2);
        QString out;
        for (qsizetype i = 0; i < value.size(); ++i) {
            if (escapes && value[i] == u'\\' && i + 1 < value.size()) ++i;
            out += value[i];
        }
        return out;
    }
    return value.toString();
}

std::map<QString, QString> readFields(QStringView text) {
    std::map<QString, QString> fields;
    for (QStringView line : text.split(u'\n')) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals <= 0) continue;
        fields[line.left(equals).trimmed().toString()] = unquote(line.mid(equals + 1));
    }
    return fields;
}

QString printable(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c.isPrint()) out += c;
    return out.simplified();
}

QString readOsRelease() {
    for (const char* path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) return QString::fromUtf8(file.read(64 * 1024));
    }
    return {};
}

} // namespace

QString OsDescriptionFrom(QStringView osRelease, const QString& kernelRelease) {
    const auto fields = readFields(osRelease);
    const auto field = [&](const char* key) {
        const auto it = fields.find(QString::fromLatin1(key));
        return it == fields.end() ? QString() : printable(it->second);
    };
    QString name = field("PRETTY_NAME");
    if (name.isEmpty()) name = (field("NAME") + " " + field("VERSION")).trimmed();
    if (name.isEmpty()) name = QStringLiteral("Linux");
    const QString kernel = printable(kernelRelease);
    return kernel.isEmpty() ? name : name + " - build " + kernel;
}

QString OsDescription() {
    utsname system{};
    const QString kernel = uname(&system) == 0 ? QString::fromLocal8Bit(system.release) : QString();
    return OsDescriptionFrom(readOsRelease(), kernel);
}

} // namespace sp
