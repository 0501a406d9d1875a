#pragma once
// The user's shell folders: where pictures and documents go. They are the XDG user directories
// ($XDG_CONFIG_HOME/user-dirs.dirs, through QStandardPaths), falling back as the program expects
// when one is not there. Paths have no trailing "/". Any thread.

#include <QString>

namespace sp {

// The documents folder when it exists as a folder, otherwise the home folder.
QString PersonalFolder();

// The pictures folder when it exists as a folder, otherwise PersonalFolder(). The default of the
// image folder setting.
QString PicturesFolder();

} // namespace sp
