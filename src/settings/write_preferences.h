#pragma once
// Typed writes to the settings store of one mode. One writer lives for one save of all settings,
// on the user-interface thread.
//
// A write that fails is skipped: the value is simply not written. Nothing reaches the disk before
// Close(): the registry hive is flushed, or the portable file is replaced whole (atomically, so a
// failed save leaves the previous file intact).

#include "filters/inlay_records.h"
#include "platform/system/registry_key.h"
#include "settings/preferences.h"

#include <QStringList>

#include <optional>

namespace sp {

class TWritePreferences {
public:
    // pmRegistry: opens `keyPath` under the current user, creating it (TPrefsError when that is
    // impossible). pmPortable: starts from IniFileName() when it exists (TPrefsError when it
    // exists but cannot be read, so that a save never replaces a file it could not read).
    // pmNone: opens nothing.
    TWritePreferences(const QString& keyPath, TPrefsMode mode);
    // Commits like Close() if that was not called, swallowing any failure.
    ~TWritePreferences();
    TWritePreferences(const TWritePreferences&) = delete;
    TWritePreferences& operator=(const TWritePreferences&) = delete;

    // Commits the writes to the disk; throws TPrefsError when that fails. Further writes after
    // Close() are not committed.
    void Close();

    void WriteString(const QString& name, const QString& value);
    // As WriteString, an empty value being stored as the empty marker.
    void WriteWideString(const QString& name, const QString& value);
    void WriteInteger(const QString& name, int32_t value);
    void WriteBool(const QString& name, bool value);
    void WriteFloat(const QString& name, double value);
    // Records: a subkey `name` in the registry, or entries "name\field" in the portable file.
    // Strings are written raw (no empty marker).
    void WriteFont(const QString& name, const TfontRecord& font);
    void WriteIncrustRec(const QString& name, const TincrustRec& rec);

    // The portable file's lines as they will be written (pmPortable).
    const QStringList& lines() const { return Lines; }

    const QString Section; // "[" + key path + "]"
    const TPrefsMode Mode;

private:
    struct Place {
        std::optional<RegistryKey> key;
        QString prefix;
    };
    Place mainPlace() const { return {Registry, {}}; }
    std::optional<Place> recordPlace(const Place& parent, const QString& name) const;

    void writeStringAt(Place& place, const QString& name, const QString& value);
    void writeIntegerAt(Place& place, const QString& name, int32_t value);
    void writeBoolAt(Place& place, const QString& name, bool value);
    void writeFloatAt(Place& place, const QString& name, double value);
    void writeFontAt(Place& place, const TfontRecord& font);

    std::optional<RegistryKey> Registry; // pmRegistry
    QStringList Lines;                   // pmPortable
    bool closed_ = false;
};

} // namespace sp
