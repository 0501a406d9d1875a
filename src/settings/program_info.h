#pragma once
// The program's fixed texts: version, interface language, title and company. Any thread.

#include <QString>

namespace sp {

inline constexpr int kVersionMajor = 5;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRelease = 6;

// "5.0.6".
inline QString VersionText() {
    return QStringLiteral("%1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionRelease);
}
// The interface language.
inline QString LanguageTag() {
    return QStringLiteral("En");
}
inline QString CompanyName() {
    return QStringLiteral("Orvane");
}
// "Stillpick 5.0.6 En": the title the windows and the error report use.
inline QString ProgramTitle() {
    return QStringLiteral("Stillpick ") + VersionText() + u' ' + LanguageTag();
}
// "Stillpick 5.0.6 En by Orvane": the main window's caption and the settings' signature.
inline QString ProgramSignature() {
    return ProgramTitle() + QStringLiteral(" by ") + CompanyName();
}

} // namespace sp
