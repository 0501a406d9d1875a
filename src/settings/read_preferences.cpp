#include "settings/read_preferences.h"

#include "settings/ini_file.h"

namespace sp {
namespace {

// Any failure inside one read gives the default, whatever it was.
template <typename T, typename Read> T guarded(const T& def, Read read) {
    try {
        return read();
    } catch (...) {
        return def;
    }
}

std::wstring wide(const QString& text) {
    return text.toStdWString();
}
QString qt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

} // namespace

TReadPreferences::TReadPreferences(const QString& keyPath, TPrefsMode mode)
    : Section(u'[' + keyPath + u']'), Mode(mode) {
    if (mode == pmRegistry)
        Registry = RegistryKey::open(RegRoot::CurrentUser, keyPath, false);
    else if (mode == pmPortable)
        Lines = ReadIniFile(IniFileName());
}

std::optional<TReadPreferences::Place> TReadPreferences::recordPlace(const Place& parent,
                                                                     const QString& name) const {
    if (Mode == pmPortable) return Place{std::nullopt, parent.prefix + name + u'\\'};
    if (!parent.key) return std::nullopt;
    auto sub = parent.key->openSubKey(name, false);
    if (!sub) return std::nullopt;
    return Place{std::move(sub), {}};
}

std::optional<QString> TReadPreferences::iniText(const Place& place, const QString& name) const {
    return FindIniValue(Lines, Section, place.prefix + name);
}

QString TReadPreferences::readStringAt(const Place& place, const QString& name,
                                       const QString& def) const {
    return guarded(def, [&]() -> QString {
        if (Mode == pmPortable) return iniText(place, name).value_or(def);
        if (Mode == pmRegistry && place.key) return place.key->readString(name).value_or(def);
        return def;
    });
}

int32_t TReadPreferences::readIntegerAt(const Place& place, const QString& name,
                                        int32_t def) const {
    return guarded(def, [&]() -> int32_t {
        if (Mode == pmPortable) {
            const auto text = iniText(place, name);
            return text ? IniIntegerValue(TrimBlanks(*text)) : def;
        }
        if (Mode == pmRegistry && place.key)
            if (const auto number = place.key->readDWord(name))
                return static_cast<int32_t>(*number);
        return def;
    });
}

bool TReadPreferences::readBoolAt(const Place& place, const QString& name, bool def) const {
    return guarded(def, [&]() -> bool {
        if (Mode == pmPortable) {
            const auto text = iniText(place, name);
            return text ? TrimBlanks(*text) != u"0" : def;
        }
        if (Mode == pmRegistry && place.key)
            if (const auto number = place.key->readDWord(name)) return *number != 0;
        return def;
    });
}

double TReadPreferences::readFloatAt(const Place& place, const QString& name, double def) const {
    return guarded(def, [&]() -> double {
        if (Mode == pmPortable) {
            const auto text = iniText(place, name);
            return text ? IniFloatValue(TrimBlanks(*text)) : def;
        }
        if (Mode == pmRegistry && place.key)
            if (const auto bytes = place.key->readBinary(name))
                return FloatFromBytes(*bytes).value_or(def);
        return def;
    });
}

TfontRecord TReadPreferences::readFontAt(const Place& place, const TfontRecord& def) const {
    TfontRecord font;
    font.Name = wide(readStringAt(place, "FontName", qt(def.Name)));
    font.Size = readIntegerAt(place, "FontSize", def.Size);
    font.Color = readIntegerAt(place, "FontColor", def.Color);
    font.Bold = readBoolAt(place, "FontBold", def.Bold);
    font.Italic = readBoolAt(place, "FontItalic", def.Italic);
    font.Underline = readBoolAt(place, "FontUnderline", def.Underline);
    font.StrikeOut = readBoolAt(place, "FontStrikeOut", def.StrikeOut);
    return font;
}

QString TReadPreferences::ReadString(const QString& name, const QString& def) const {
    return readStringAt(mainPlace(), name, def);
}

QString TReadPreferences::ReadWideString(const QString& name, const QString& def) const {
    const QString text = ReadString(name, def);
    return text == kEmptyMarker ? QString() : text;
}

int32_t TReadPreferences::ReadInteger(const QString& name, int32_t def) const {
    return readIntegerAt(mainPlace(), name, def);
}

bool TReadPreferences::ReadBool(const QString& name, bool def) const {
    return readBoolAt(mainPlace(), name, def);
}

double TReadPreferences::ReadFloat(const QString& name, double def) const {
    return readFloatAt(mainPlace(), name, def);
}

TfontRecord TReadPreferences::ReadFont(const QString& name, const TfontRecord& def) const {
    return guarded(def, [&]() -> TfontRecord {
        const auto place = recordPlace(mainPlace(), name);
        return place ? readFontAt(*place, def) : def;
    });
}

TincrustRec TReadPreferences::ReadIncrustRec(const QString& name, const TincrustRec& def) const {
    return guarded(def, [&]() -> TincrustRec {
        const auto place = recordPlace(mainPlace(), name);
        if (!place) return def;
        TincrustRec rec;
        rec.Incrust1 = wide(readStringAt(*place, "Incrust1", qt(def.Incrust1)));
        rec.Incrust2 = wide(readStringAt(*place, "Incrust2", qt(def.Incrust2)));
        rec.FormatDate1 = wide(readStringAt(*place, "FormatDate1", qt(def.FormatDate1)));
        rec.FormatDate2 = wide(readStringAt(*place, "FormatDate2", qt(def.FormatDate2)));
        rec.DecalageHoraire = readFloatAt(*place, "Decalage Horaire", def.DecalageHoraire);
        const auto fontPlace = recordPlace(*place, "FontRec");
        rec.FontRec = fontPlace ? readFontAt(*fontPlace, def.FontRec) : def.FontRec;
        rec.Autofontsize = readBoolAt(*place, "Autofontsize", def.Autofontsize);
        rec.BorderSize = readIntegerAt(*place, "BorderSize", def.BorderSize);
        rec.WhatIncrust =
            static_cast<uint8_t>(readIntegerAt(*place, "What Incrust", def.WhatIncrust));
        rec.Alignement = static_cast<uint8_t>(readIntegerAt(*place, "Alignement", def.Alignement));
        rec.BorderColor = readIntegerAt(*place, "BorderColor", def.BorderColor);
        rec.Xpos = readIntegerAt(*place, "Xpos", def.Xpos);
        rec.Ypos = readIntegerAt(*place, "Ypos", def.Ypos);
        return rec;
    });
}

} // namespace sp
