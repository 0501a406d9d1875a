#pragma once
// Typed reads from the settings store of one mode: the registry key, the portable file, or none.
// One reader lives for one load of all settings, on the user-interface thread.
//
// Every read takes the entry name and a default and never fails: a missing entry, a value of the
// wrong registry type or unreadable data gives the default (in the portable file, an integer or
// float entry whose text is not a number gives 0, as described for that format).

#include "filters/inlay_records.h"
#include "platform/system/registry_key.h"
#include "settings/preferences.h"

#include <QStringList>

#include <optional>

namespace sp {

class TReadPreferences {
public:
    // pmRegistry: opens `keyPath` under the current user without creating it (a missing key is
    // no failure; every read gives its default). pmPortable: loads IniFileName(), throwing
    // TPrefsError when it cannot be read. pmNone: opens nothing.
    TReadPreferences(const QString& keyPath, TPrefsMode mode);

    QString ReadString(const QString& name, const QString& def) const;
    // As ReadString, then the empty marker becomes an empty string.
    QString ReadWideString(const QString& name, const QString& def) const;
    int32_t ReadInteger(const QString& name, int32_t def) const;
    bool ReadBool(const QString& name, bool def) const;
    double ReadFloat(const QString& name, double def) const;
    // Records: each field from its own entry with the default's field as fallback; in the
    // registry a missing record subkey gives the whole default. Strings are read raw.
    TfontRecord ReadFont(const QString& name, const TfontRecord& def) const;
    TincrustRec ReadIncrustRec(const QString& name, const TincrustRec& def) const;

    const QString Section; // "[" + key path + "]"
    const TPrefsMode Mode;

private:
    // Where a group of entries lives: a registry key, or a name prefix in the portable file.
    struct Place {
        std::optional<RegistryKey> key;
        QString prefix;
    };
    Place mainPlace() const { return {Registry, {}}; }
    std::optional<Place> recordPlace(const Place& parent, const QString& name) const;
    std::optional<QString> iniText(const Place& place, const QString& name) const;

    QString readStringAt(const Place& place, const QString& name, const QString& def) const;
    int32_t readIntegerAt(const Place& place, const QString& name, int32_t def) const;
    bool readBoolAt(const Place& place, const QString& name, bool def) const;
    double readFloatAt(const Place& place, const QString& name, double def) const;
    TfontRecord readFontAt(const Place& place, const TfontRecord& def) const;

    std::optional<RegistryKey> Registry; // pmRegistry, when the key exists
    QStringList Lines;                   // pmPortable
};

} // namespace sp
