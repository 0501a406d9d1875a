#pragma once
// The system description put into a report mail: one program-wide text, cleared and rebuilt by
// the main window's filter listing line by line, each line also shown in the diagnostics text
// of the Help panel. User-interface thread only.

#include <QColor>
#include <QString>

class QTextEdit;

namespace sp {

// The lines added so far, each ended by "%0D%0A" (a mail line break).
QString& SystemInfoText();

// Appends `line` to `display` (when given) as a new line in `color`, in the bold or italic the
// caller has set as the display's current format; and appends it to SystemInfoText with each
// line break in it written as "%0D%0A", followed by "%0D%0A".
void AddSystemInfoLine(QTextEdit* display, const QString& line, const QColor& color);

} // namespace sp
