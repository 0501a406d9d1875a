#include "platform/system/text_parsing.h"

#include <QLocale>

#include <cmath>

namespace sp {

QString StripTags(QStringView text) {
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype open = text.indexOf(u'<', i);
        if (open < 0) {
            out += text.mid(i);
            break;
        }
        out += text.mid(i, open - i);
        const qsizetype close = text.indexOf(u'>', open + 1);
        if (close < 0) break; // an unclosed tag takes the rest with it
        i = close + 1;
    }
    return out;
}

int ParseIntOrZero(QStringView text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : 0;
}

double ParseFloatOrZero(QStringView text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

} // namespace sp
