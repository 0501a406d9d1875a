#pragma once
// A one-line description of the operating system for reports: the distribution's name from
// os-release, then " - build " and the kernel release, such as
// "Debian GNU/Linux 12 (bookworm) - build 6.1.0-18-amd64". Any thread.

#include <QString>
#include <QStringView>

namespace sp {

// Reads /etc/os-release (else /usr/lib/os-release) and uname.
QString OsDescription();

// The description from the text of an os-release file and a kernel release. The name is
// PRETTY_NAME, else NAME and VERSION, else "Linux"; control characters are dropped so the line
// is safe to show and to mail.
QString OsDescriptionFrom(QStringView osRelease, const QString& kernelRelease);

} // namespace sp
