#pragma once
// What the preferences store is built on: the save mode, where the program file and the portable
// settings file are, the empty-string marker and the save date text.

#include <QDateTime>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>

namespace sp {

// Where the settings are kept between runs.
enum TPrefsMode : uint8_t {
    pmRegistry = 0, // the current user's registry key kKeyPath
    pmPortable = 1, // the file IniFileName() beside the program
    pmNone = 2,     // nowhere: reads give defaults, writes do nothing
};

// The program-wide save mode, chosen at start-up (ChooseSaveMode) and changed by the save-mode
// panel. User-interface thread only.
extern TPrefsMode SaveMode;

// The settings key under the current user; in brackets it is also the portable file's section.
inline const QString kKeyPath = QStringLiteral("\\Software\\Orvane\\Stillpick");
// The company key above it, removed with the settings when it holds nothing else.
inline const QString kCompanyKeyPath = QStringLiteral("\\Software\\Orvane\\");

// An empty wide-string setting is stored as this text, which reads back as empty.
inline const QString kEmptyMarker = QStringLiteral("#@vide\u00A7#");

// Failure to open, read or write a whole store (not a single value).
class TPrefsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Full path of the running program file: the one set by SetProgramFilePath, else the running
// executable (QCoreApplication when one exists, else /proc/self/exe).
QString ProgramFilePath();
// Folder of the program file, without a trailing slash.
QString ProgramFolder();
// The portable settings file: the program's folder, "Stillpick" and ".ini".
QString IniFileName();
// Pretends the program file is `path` (tests, tools). An empty path restores the real one.
void SetProgramFilePath(const QString& path);

// A double as the 8 little-endian bytes of its IEEE-754 form, and back (nothing unless 8 bytes).
std::array<uint8_t, 8> FloatBytes(double value);
std::optional<double> FloatFromBytes(std::span<const uint8_t> bytes);

// The save date as "yyyy/mm/dd hh:nn:ss am/pm": 12-hour clock with 0 and 12 shown as 12, the "/"
// and ":" being the locale's date and time separators.
QString FormatSaveDate(const QDateTime& when);

} // namespace sp
