#pragma once
// What the program asks of the desktop: opening a document or web address with its default
// handler, preparing a mail, showing a file in the file manager, and deleting a file whatever
// its permission bits. User-interface thread (they need the application object); none waits
// for the program it starts, so none blocks the user-interface thread for long.

#include <QString>

namespace sp {

// Opens a web address (anything with a scheme such as "https:") or a file with its default
// handler. A trailing "©" is removed first. Returns false when no handler took it (callers may
// ignore that: a missing handler fails silently).
bool OpenDocument(QString target);

// Opens the default mail program with "mailto:" + address + "?subject=" + subject + "&body=" +
// body. Subject and body arrive already encoded for line breaks ("%0D%0A"); such "%XX" escapes
// are kept, and only what would break the address apart ("&", "#", a lone "%", blanks, control
// and non-ASCII characters) is escaped, so a file name in a report cannot cut the mail short.
bool SendMail(const QString& address, const QString& subject, const QString& body);

// The "mailto:" address SendMail hands to the system.
QString MailUrl(const QString& address, const QString& subject, const QString& body);

// Opens the file manager on the folder of `path` with `path` selected, through the freedesktop
// FileManager1 "ShowItems" call on the session bus; without a bus or a file manager answering
// there, opens the folder with its default handler (also when the call later fails). Returns
// false when neither can be tried (no such file or folder, or no handler for the folder).
bool ShowInFileBrowser(const QString& path);

// Makes the file writable and deletes it; a symbolic link is deleted itself. Folders are not
// deleted. Returns whether the file is gone.
bool ForceDeleteFile(const QString& path);

} // namespace sp
