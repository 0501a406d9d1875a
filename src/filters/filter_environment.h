#pragma once
// The settings of the outside splitter and decoders, kept in the registry store: backed up when
// the program starts, adjusted for frame grabbing while it runs (deinterlacing, RGB32 output, no
// tray icons or on-screen display, which formats each one handles), put back when it ends. Also
// the presence test of a filter and the registration of filter libraries.
//
// Registry steps never throw and never show anything: a registry failure (a hive that cannot be
// written, such as a machine hive the user may not change) makes the step report false. A key
// that does not exist is no failure; the step leaves it alone. Each step writes the hives it
// changed at once, so its result says whether the change reached the disk.
//
// Threads: user-interface thread only, like the registry store.

#include "platform/graph/guid.h"

#include <QString>

#include <filesystem>

namespace sp {

// Keys of the outside components (backslash paths under their root).
inline const QString kHaaliUserKey = QStringLiteral("\\Software\\Haali\\Matroska Splitter");
inline const QString kHaaliUserBackupKey =
    QStringLiteral("\\Software\\Haali\\Matroska Splitter_SavedbySP");
inline const QString kHaaliMachineKey = QStringLiteral("\\SOFTWARE\\HaaliMkx");
inline const QString kHaaliMachineBackupKey = QStringLiteral("\\SOFTWARE\\HaaliMkx_savedbySP");
inline const QString kFfdshowKey = QStringLiteral("\\Software\\GNU\\ffdshow");
inline const QString kFfdshowBackupKey = QStringLiteral("\\Software\\GNU\\ffdshow_savedbySP");
inline const QString kFfdshowAudioKey = QStringLiteral("\\Software\\GNU\\ffdshow_audio");

// Each existing Haali key (user, machine) is copied to its backup key, replacing an older backup.
// True unless a registry failure occurred.
bool SaveHaaliSettings();
// Each existing Haali backup is copied back over its key and removed. True only when the machine
// settings were restored.
bool RestoreHaaliSettings();
// Writes the tray-icon and format values into the Haali keys that exist (creates none).
bool AdjustHaaliSettings();

// The ffdshow key with its subkeys is backed up / restored like the Haali keys. True when
// something was copied (and written).
bool SaveFfdshowSettings();
bool RestoreFfdshowSettings();
// Creates the ffdshow video and audio keys as needed and writes every value of the adjustment
// table. The audio settings are not part of the backup.
bool AdjustFfdshowSettings();

// The start-up sequence (after the settings are loaded): back up ffdshow, adjust it when
// `adjustFilters` ("Parametrer Filtres") is on, then the same for Haali.
void StartFilterEnvironment(bool adjustFilters);
// The shut-down sequence: restore ffdshow, then Haali.
void EndFilterEnvironment();

// True when the filter mapper creates an object of that class giving a filter; the object is
// released at once. Any failure gives false.
bool IsFilterInstalled(const mf::GUID& clsid);

// Loads a filter library and calls its "DllRegisterServer" (or "DllUnregisterServer") entry
// point. True when the file is a regular file, loads, has the entry point and it reports
// success. Loading a library runs its code: only trusted files belong here. See
// platform/system/filter_library.h for how the library's own dependencies are found.
bool RegisterFilterFile(const std::filesystem::path& path);
bool UnregisterFilterFile(const std::filesystem::path& path);

} // namespace sp
