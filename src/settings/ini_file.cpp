#include "settings/ini_file.h"

#include "platform/system/atomic_file.h"

#include <QFile>
#include <QLocale>
#include <QStringDecoder>

#include <cmath>
#include <span>

namespace sp {
namespace {

QString decodeUtf16(const QByteArray& bytes, qsizetype start, bool bigEndian) {
    const qsizetype units = (bytes.size() - start) / 2; // a lone last byte is dropped
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i) {
        const auto first = static_cast<uint8_t>(bytes[start + 2 * i]);
        const auto second = static_cast<uint8_t>(bytes[start + 2 * i + 1]);
        text[i] = QChar(bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first));
    }
    return text;
}

QString decodeText(const QByteArray& bytes) {
    if (bytes.startsWith("\xFF\xFE")) return decodeUtf16(bytes, 2, false);
    if (bytes.startsWith("\xFE\xFF")) return decodeUtf16(bytes, 2, true);
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    // No mark: a file saved by a UTF-8 editor is valid UTF-8, which text in a one-byte code
    // page with accented letters practically never is.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(bytes);
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(bytes);
}

QStringList splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines << text.mid(start);
    return lines;
}

bool isHeader(const QString& trimmed) {
    return trimmed.size() >= 2 && trimmed.startsWith(u'[') && trimmed.endsWith(u']');
}

// The entry name of a line: the text before the first "="; empty without "=".
QStringView entryName(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QStringView() : QStringView(line).left(eq);
}

// Index of the line holding entry `name` of `section`, or -1.
qsizetype findEntry(const QStringList& lines, const QString& section, const QString& name) {
    if (name.isEmpty()) return -1;
    bool inSection = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString trimmed = TrimBlanks(lines[i]);
        if (isHeader(trimmed))
            inSection = trimmed == section;
        else if (inSection && entryName(lines[i]) == name)
            return i;
    }
    return -1;
}

QString withoutLineBreaks(QString value) {
    value.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    value.replace(u'\r', u' ');
    value.replace(u'\n', u' ');
    return value;
}

} // namespace

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin].unicode() <= u' ')
        ++begin;
    while (end > begin && text[end - 1].unicode() <= u' ')
        --end;
    return text.mid(begin, end - begin);
}

int32_t IniIntegerValue(const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : 0;
}

QString IniFloatText(double value) {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

double IniFloatValue(const QString& text) {
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double value = locale.toDouble(text, &ok);
    // Written on a machine with the other decimal separator: no group separators are ever
    // written, so either mark can only be the decimal one.
    if (!ok) value = QLocale::c().toDouble(QString(text).replace(u',', u'.'), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

QStringList DecodeIniText(const QByteArray& bytes) {
    return splitLines(decodeText(bytes));
}

QByteArray EncodeIniText(const QStringList& lines) {
    QByteArray bytes("\xFF\xFE", 2);
    auto put = [&bytes](char16_t unit) {
        bytes.append(static_cast<char>(unit & 0xFF));
        bytes.append(static_cast<char>(unit >> 8));
    };
    for (const QString& line : lines) {
        for (const QChar c : line)
            put(c.unicode());
        put(u'\r');
        put(u'\n');
    }
    return bytes;
}

QStringList ReadIniFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw TPrefsError("cannot read " + path.toStdString() + ": " +
                          file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw TPrefsError("cannot read " + path.toStdString() + ": " +
                          file.errorString().toStdString());
    return DecodeIniText(bytes);
}

void WriteIniFile(const QString& path, const QStringList& lines) {
    const QByteArray bytes = EncodeIniText(lines);
    const auto result = writeFileAtomically(
        QFile::encodeName(path).toStdString(),
        std::as_bytes(std::span(bytes.constData(), static_cast<size_t>(bytes.size()))));
    if (!result.ok) throw TPrefsError(result.error);
}

std::optional<QString> FindIniValue(const QStringList& lines, const QString& section,
                                    const QString& name) {
    const qsizetype i = findEntry(lines, section, name);
    if (i < 0) return std::nullopt;
    return lines[i].mid(name.size() + 1);
}

void SetIniValue(QStringList& lines, const QString& section, const QString& name,
                 const QString& value) {
    const QString entry = name + u'=' + withoutLineBreaks(value);
    if (const qsizetype found = findEntry(lines, section, name); found >= 0) {
        lines[found] = entry;
        return;
    }
    qsizetype header = -1;
    for (qsizetype i = 0; i < lines.size() && header < 0; ++i)
        if (TrimBlanks(lines[i]) == section) header = i;
    if (header < 0) {
        lines << section << entry;
        return;
    }
    for (qsizetype i = header + 1; i < lines.size(); ++i) {
        if (isHeader(TrimBlanks(lines[i]))) {
            lines.insert(i, entry);
            return;
        }
    }
    lines << entry;
}

} // namespace sp
