#include "app/image_naming.h"

#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <limits>

namespace sp::naming {

namespace {

int64_t powerOfTen(int digits) {
    int64_t p = 1;
    for (int i = 0; i < digits; ++i)
        p *= 10;
    return p;
}

QString fileNameOnly(const QString& path) {
    return QFileInfo(path).fileName();
}

QString limited(const QString& base, const RootInputs& in) {
    return in.limiterLongueur ? base.left(std::max(0, in.iRacineLength)) : base;
}

} // namespace

QString PadImageNumber(int64_t number, int digits) {
    digits = std::clamp(digits, 0, kMaxDigits);
    if (digits == 0 || number < 0) return QString::number(number);
    const QString text = QString(digits, u'0') + QString::number(number);
    return text.right(digits);
}

int64_t ParseImageNumber(QStringView text) {
    const QByteArray latin = text.trimmed().toLatin1();
    const char* begin = latin.constData();
    const char* end = begin + latin.size();
    if (begin != end && *begin == '+') { // from_chars takes only a minus sign
        ++begin;
        if (begin != end && *begin == '-') return 0;
    }
    int64_t value = 0;
    auto [at, ec] = std::from_chars(begin, end, value);
    if (ec != std::errc() || at != end || begin == end) return 0;
    return value;
}

int64_t NextImageNumber(int64_t number, int digits) {
    digits = std::clamp(digits, 0, kMaxDigits);
    if (number == std::numeric_limits<int64_t>::max()) return 0;
    const int64_t next = number + 1;
    // 19 and 20 digits hold every 64-bit number: nothing to wrap.
    if (digits == 0 || digits >= 19 || next < 0) return next;
    return next % powerOfTen(digits);
}

QString ImageExtension(int iImageExtension) {
    return iImageExtension == 1 ? QStringLiteral(".jpg") : QStringLiteral(".bmp");
}

QString FolderPrefix(const QString& folder) {
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

QString BuildNumberedName(const QString& folder, const QString& root, const QString& numberText,
                          const QString& extension) {
    return FolderPrefix(folder) + root + u'_' + numberText + extension;
}

QString BuildTimestampName(const QString& folder, const QString& root, const QString& timecode,
                           const QString& extension) {
    QString stamp = timecode;
    stamp.replace(u':', u'.');
    return FolderPrefix(folder) + root + u'_' + stamp + extension;
}

QString UpdateRoot(const RootInputs& in) {
    if (!in.fileLoaded) return QString::fromUtf16(kRootWithoutFile);
    if (in.iNomFichierImage == 0) return in.defaultRacine;
    const QString name = fileNameOnly(in.filePath);
    const qsizetype dot = name.lastIndexOf(u'.');
    return limited(dot < 0 ? name : name.left(dot), in);
}

QString RootAtLoad(const RootInputs& in) {
    if (in.iNomFichierImage == 0) return in.defaultRacine;
    const QString name = fileNameOnly(in.filePath);
    const qsizetype dot = name.indexOf(u'.');
    return limited(dot < 0 ? QString() : name.left(dot), in);
}

std::optional<QString> ParseNumberingArgument(QStringView argument) {
    const QStringView text = argument.trimmed();
    if (text.isEmpty()) return std::nullopt;
    for (QChar c : text)
        if (c < u'0' || c > u'9') return std::nullopt;
    return text.toString();
}

} // namespace sp::naming
