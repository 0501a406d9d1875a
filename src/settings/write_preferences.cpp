#include "settings/write_preferences.h"

#include "settings/ini_file.h"

#include <QFileInfo>

namespace sp {
namespace {

// Any failure inside one write leaves that value unwritten.
template <typename Write> void guarded(Write write) {
    try {
        write();
    } catch (...) {
    }
}

QString qt(const std::wstring& text) {
    return QString::fromStdWString(text);
}

} // namespace

TWritePreferences::TWritePreferences(const QString& keyPath, TPrefsMode mode)
    : Section(u'[' + keyPath + u']'), Mode(mode) {
    if (mode == pmRegistry) {
        Registry = RegistryKey::open(RegRoot::CurrentUser, keyPath, true);
        if (!Registry) throw TPrefsError("cannot open the settings key " + keyPath.toStdString());
    } else if (mode == pmPortable && QFileInfo::exists(IniFileName())) {
        Lines = ReadIniFile(IniFileName());
    }
}

TWritePreferences::~TWritePreferences() {
    try {
        Close();
    } catch (...) {
    }
}

void TWritePreferences::Close() {
    if (closed_) return;
    closed_ = true;
    if (Mode == pmPortable) {
        WriteIniFile(IniFileName(), Lines);
    } else if (Registry) {
        std::string error;
        if (!Registry->flush(&error)) throw TPrefsError(error);
    }
}

std::optional<TWritePreferences::Place> TWritePreferences::recordPlace(const Place& parent,
                                                                       const QString& name) const {
    if (Mode == pmPortable) return Place{std::nullopt, parent.prefix + name + u'\\'};
    if (!parent.key) return std::nullopt;
    auto sub = parent.key->openSubKey(name, true);
    if (!sub) return std::nullopt;
    return Place{std::move(sub), {}};
}

void TWritePreferences::writeStringAt(Place& place, const QString& name, const QString& value) {
    guarded([&] {
        if (Mode == pmPortable)
            SetIniValue(Lines, Section, place.prefix + name, value);
        else if (place.key)
            place.key->writeString(name, value);
    });
}

void TWritePreferences::writeIntegerAt(Place& place, const QString& name, int32_t value) {
    guarded([&] {
        if (Mode == pmPortable)
            SetIniValue(Lines, Section, place.prefix + name, QString::number(value));
        else if (place.key)
            place.key->writeDWord(name, static_cast<uint32_t>(value));
    });
}

void TWritePreferences::writeBoolAt(Place& place, const QString& name, bool value) {
    guarded([&] {
        if (Mode == pmPortable)
            SetIniValue(Lines, Section, place.prefix + name, value ? "1" : "0");
        else if (place.key)
            place.key->writeDWord(name, value ? 1 : 0);
    });
}

void TWritePreferences::writeFloatAt(Place& place, const QString& name, double value) {
    guarded([&] {
        if (Mode == pmPortable)
            SetIniValue(Lines, Section, place.prefix + name, IniFloatText(value));
        else if (place.key)
            place.key->writeBinary(name, FloatBytes(value));
    });
}

void TWritePreferences::writeFontAt(Place& place, const TfontRecord& font) {
    writeStringAt(place, "FontName", qt(font.Name));
    writeIntegerAt(place, "FontSize", font.Size);
    writeIntegerAt(place, "FontColor", font.Color);
    writeBoolAt(place, "FontBold", font.Bold);
    writeBoolAt(place, "FontItalic", font.Italic);
    writeBoolAt(place, "FontUnderline", font.Underline);
    writeBoolAt(place, "FontStrikeOut", font.StrikeOut);
}

void TWritePreferences::WriteString(const QString& name, const QString& value) {
    Place main = mainPlace();
    writeStringAt(main, name, value);
}

void TWritePreferences::WriteWideString(const QString& name, const QString& value) {
    WriteString(name, value.isEmpty() ? kEmptyMarker : value);
}

void TWritePreferences::WriteInteger(const QString& name, int32_t value) {
    Place main = mainPlace();
    writeIntegerAt(main, name, value);
}

void TWritePreferences::WriteBool(const QString& name, bool value) {
    Place main = mainPlace();
    writeBoolAt(main, name, value);
}

void TWritePreferences::WriteFloat(const QString& name, double value) {
    Place main = mainPlace();
    writeFloatAt(main, name, value);
}

void TWritePreferences::WriteFont(const QString& name, const TfontRecord& font) {
    guarded([&] {
        if (auto place = recordPlace(mainPlace(), name)) writeFontAt(*place, font);
    });
}

void TWritePreferences::WriteIncrustRec(const QString& name, const TincrustRec& rec) {
    guarded([&] {
        auto place = recordPlace(mainPlace(), name);
        if (!place) return;
        writeStringAt(*place, "Incrust1", qt(rec.Incrust1));
        writeStringAt(*place, "Incrust2", qt(rec.Incrust2));
        writeStringAt(*place, "FormatDate1", qt(rec.FormatDate1));
        writeStringAt(*place, "FormatDate2", qt(rec.FormatDate2));
        writeFloatAt(*place, "Decalage Horaire", rec.DecalageHoraire);
        if (auto font = recordPlace(*place, "FontRec")) writeFontAt(*font, rec.FontRec);
        writeBoolAt(*place, "Autofontsize", rec.Autofontsize);
        writeIntegerAt(*place, "BorderSize", rec.BorderSize);
        writeIntegerAt(*place, "What Incrust", rec.WhatIncrust);
        writeIntegerAt(*place, "Alignement", rec.Alignement);
        writeIntegerAt(*place, "BorderColor", rec.BorderColor);
        writeIntegerAt(*place, "Xpos", rec.Xpos);
        writeIntegerAt(*place, "Ypos", rec.Ypos);
    });
}

} // namespace sp
