#pragma once
// The start-up check of the media framework: the program was built against one major version
// of FFmpeg's libavformat and warns when an older one is loaded at run time, asking whether to
// go on. Runs before any window exists (the application object must exist). User-interface
// thread.

#include <QString>

namespace sp {

// The question's text for a running framework `runningVersion` ("58.29") older than the major
// version `builtMajor` the program was built against.
QString FrameworkWarningText(const QString& runningVersion, int builtMajor,
                             const QString& versionText, const QString& languageTag);

// True when the program may go on: the running major version is at least `builtMajor`, or the
// user answers Yes to the question. On the offscreen platform, where no one can answer, the
// question takes its default Yes and says so on stderr. A version that cannot be read counts as
// 0, so the question is asked.
bool ConfirmFrameworkVersion(int runningMajor, const QString& runningVersion, int builtMajor,
                             const QString& versionText, const QString& languageTag);

// The check with the framework actually loaded; the program ends at once when it gives false.
bool CheckFrameworkVersion(const QString& versionText, const QString& languageTag);

} // namespace sp
