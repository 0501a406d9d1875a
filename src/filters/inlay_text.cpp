#include "filters/inlay_text.h"

#include "describe/timecode.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sp {

namespace {

QString recordingDateText(const TincrustRec& settings, const InlayValues& values,
                          const DateFormatConventions& conventions, int line) {
    if (!values.RecDateValid) return kNotAvailable;
    const std::wstring& format = line == 0 ? settings.FormatDate1 : settings.FormatDate2;
    return FormatDateTime(QString::fromStdWString(format),
                          values.RecDateTime + settings.DecalageHoraire, conventions);
}

QString realDateText(const TincrustRec& settings, const InlayValues& values,
                     const DateFormatConventions& conventions, int line) {
    const std::wstring& format = line == 0 ? settings.FormatDate1 : settings.FormatDate2;
    return FormatDateTime(QString::fromStdWString(format),
                          values.RealDate + settings.DecalageHoraire, conventions);
}

QString timestampText(const InlayValues& values) {
    return QString::fromStdString(TimecodeText(values.LastPosition, values.FrameDuration));
}

} // namespace

QString ImageNumberText(int64_t imageNumber, int digits) {
    const int width = std::clamp(digits, 0, 32);
    const QString padded = QString(width, u'0') + QString::number(imageNumber);
    return padded.right(width);
}

QString PackedTimecodeText(uint32_t packed) {
    const auto field = [packed](int byte) { return int((packed >> (8 * byte)) & 0xFF); };
    return QStringLiteral("%1:%2:%3:%4")
        .arg(field(0))
        .arg(field(1), 2, 10, QChar(u'0'))
        .arg(field(2), 2, 10, QChar(u'0'))
        .arg(field(3), 2, 10, QChar(u'0'));
}

InlayFields ComputeInlayFields(const TincrustRec& settings, const InlayValues& values,
                               const DateFormatConventions& conventions, int line) {
    InlayFields fields;
    fields.Date = recordingDateText(settings, values, conventions, line);
    fields.Timecode = values.TimecodeValid ? PackedTimecodeText(values.Timecode) : kNotAvailable;
    fields.RealDate = realDateText(settings, values, conventions, line);
    fields.Number = ImageNumberText(values.ImageNumber, values.Digits);
    fields.Timestamp = timestampText(values);
    return fields;
}

QString SubstituteTemplate(QStringView templateText, const InlayFields& fields) {
    QString text = templateText.toString();
    text.replace(QStringLiteral("%D"), fields.Date, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%T"), fields.Timecode, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%R"), fields.RealDate, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%N"), fields.Number, Qt::CaseInsensitive);
    text.replace(QStringLiteral("%S"), fields.Timestamp, Qt::CaseInsensitive);
    return text;
}

InlayLines ComputeInlayLines(const TincrustRec& settings, const InlayValues& values,
                             const DateFormatConventions& conventions) {
    const InlayFields first = ComputeInlayFields(settings, values, conventions, 0);
    const InlayFields second = ComputeInlayFields(settings, values, conventions, 1);
    switch (settings.WhatIncrust) {
    case 0: // DV datecode
        return {first.Date, second.Date};
    case 1: // DV timecode
        return {QString(), second.Timecode};
    case 2: // personal templates
        return {SubstituteTemplate(QString::fromStdWString(settings.Incrust1), first),
                SubstituteTemplate(QString::fromStdWString(settings.Incrust2), second)};
    case 4: // nothing
        return {};
    case 5: // datecode when present, else timestamp
        if (values.RecDateValid) return {first.Date, second.Date};
        return {QString(), second.Timestamp};
    case 6: // image number
        return {QString(), second.Number};
    case 7: // timestamp
        return {QString(), second.Timestamp};
    default: // 3 (real date) and unknown kinds
        return {first.RealDate, second.RealDate};
    }
}

int AutoFontHeight(int frameWidth) {
    return std::max(frameWidth * 28 / 720, 16);
}

int PointsToPixels(int points, int dotsPerInch) {
    const double pixels = double(points) * double(dotsPerInch) / 72.0;
    return int(std::lround(pixels));
}

int BoundFontSize(int points) {
    return std::clamp(points, -kMaxFontSize, kMaxFontSize);
}

int InlayLineHeight(const TincrustRec& settings, int frameWidth) {
    const int height = settings.Autofontsize ? AutoFontHeight(frameWidth)
                                             : PointsToPixels(BoundFontSize(settings.FontRec.Size));
    return std::abs(height);
}

int ClampPermille(int permille) {
    return std::clamp(permille, 0, 1000);
}

std::vector<Offset> BorderOffsets(int size) {
    const int n = std::clamp(size, 0, kMaxBorderSize);
    std::vector<Offset> offsets;
    for (int dy = -n; dy <= n; ++dy)
        for (int dx = -n; dx <= n; ++dx)
            if (std::abs(dx) + std::abs(dy) > n) offsets.push_back({dx, dy});
    return offsets;
}

std::optional<Point> InlayLayout::LinePosition(int line, int textWidth) const {
    const int top = line == 0 ? Y0() - LineHeight : Y0();
    switch (Alignment) {
    case 0:
        return Point{X0(), top};
    case 1:
        return Point{X0() - textWidth / 2, top};
    case 2:
        return Point{X0() - textWidth, top};
    case 3:
        return Point{(FrameWidth - textWidth) / 2, top};
    default:
        return std::nullopt;
    }
}

} // namespace sp
