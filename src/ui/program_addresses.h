#pragma once
// The project's own addresses used by the error report and the help text.

#include <QString>

namespace sp {

inline const QString kSupportMailAddress = QStringLiteral("support@stillpick.org");
inline const QString kProgramWebAddress = QStringLiteral("https://stillpick.org/");
inline const QString kFilterInstallPage = QStringLiteral("https://stillpick.org/filters/");

} // namespace sp
