#include "settings/read_preferences.h"
#include "settings/write_preferences.h"

#include "settings_test_support.h"

#include <QRegularExpression>

using namespace sp;
using sptest::kSection;

namespace {

TincrustRec sampleRecord() {
    TincrustRec rec;
    rec.Incrust1 = L"";              // empty strings inside records are stored raw
    rec.Incrust2 = L"#@vide\u00a7#"; // and so is a text that looks like the marker
    rec.FormatDate1 = L"d mmm yyyy";
    rec.FormatDate2 = L"Durée ∑";
    rec.DecalageHoraire = -1.0 / 24 + 1e-9;
    rec.FontRec = {L"DejaVu Sans", 14, 0x00123456, true, false, true, true};
    rec.Autofontsize = false;
    rec.BorderSize = 5;
    rec.WhatIncrust = 7;
    rec.Alignement = 3;
    rec.BorderColor = -1;
    rec.Xpos = 970;
    rec.Ypos = 12;
    return rec;
}

// Both stores, one test body.
class PreferencesRoundTrip : public sptest::SettingsWorld,
                             public ::testing::WithParamInterface<TPrefsMode> {};

TEST_P(PreferencesRoundTrip, EveryKindComesBackAsWritten) {
    const TPrefsMode mode = GetParam();
    const TincrustRec rec = sampleRecord();
    const TfontRecord font{L"Mono", 9, 255, false, true, false, true};
    {
        TWritePreferences writer(kKeyPath, mode);
        writer.WriteString("s", "plain \u00e9");
        writer.WriteWideString("empty", "");
        writer.WriteWideString("wide", "w");
        writer.WriteInteger("neg", -2147483647 - 1);
        writer.WriteBool("t", true);
        writer.WriteBool("f", false);
        writer.WriteFloat("x", 1.0 / 3);
        writer.WriteFont("Font", font);
        writer.WriteIncrustRec("IncrustRec", rec);
        writer.Close();
    }
    TReadPreferences reader(kKeyPath, mode);
    EXPECT_EQ(reader.ReadString("s", "d"), "plain \u00e9");
    EXPECT_EQ(reader.ReadString("empty", "d"), kEmptyMarker);
    EXPECT_EQ(reader.ReadWideString("empty", "d"), "");
    EXPECT_EQ(reader.ReadWideString("wide", "d"), "w");
    EXPECT_EQ(reader.ReadInteger("neg", 1), -2147483647 - 1);
    EXPECT_TRUE(reader.ReadBool("t", false));
    EXPECT_FALSE(reader.ReadBool("f", true));
    EXPECT_NEAR(reader.ReadFloat("x", 0), 1.0 / 3, 1e-14);
    EXPECT_EQ(reader.ReadFont("Font", {}), font);
    const TincrustRec back = reader.ReadIncrustRec("IncrustRec", {});
    EXPECT_EQ(back.Incrust1, L"");
    EXPECT_EQ(back.Incrust2, L"#@vide\u00a7#");
    EXPECT_NEAR(back.DecalageHoraire, rec.DecalageHoraire, 1e-14);
    TincrustRec same = back;
    same.DecalageHoraire = rec.DecalageHoraire;
    EXPECT_EQ(same, rec);

    EXPECT_EQ(reader.ReadInteger("missing", 42), 42);
    EXPECT_EQ(reader.ReadWideString("missing", "def"), "def");
    EXPECT_EQ(reader.ReadIncrustRec("Missing", rec), rec);
}

INSTANTIATE_TEST_SUITE_P(BothStores, PreferencesRoundTrip,
                         ::testing::Values(pmRegistry, pmPortable));

class Preferences : public sptest::SettingsWorld {};

TEST_F(Preferences, RegistryLayoutUsesSubkeysAndTypes) {
    {
        TWritePreferences writer(kKeyPath, pmRegistry);
        writer.WriteIncrustRec("IncrustRec", TincrustRec{});
        writer.WriteFloat("f", 0.5);
        writer.WriteBool("b", true);
    }
    const auto key = RegistryKey::open(RegRoot::CurrentUser, kKeyPath, false);
    ASSERT_TRUE(key);
    const auto rec = key->openSubKey("IncrustRec", false);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec->valueNames(),
              QStringList({"Incrust1", "Incrust2", "FormatDate1", "FormatDate2", "Decalage Horaire",
                           "Autofontsize", "BorderSize", "What Incrust", "Alignement",
                           "BorderColor", "Xpos", "Ypos"}));
    EXPECT_EQ(rec->readDWord("Ypos"), 914u);
    EXPECT_EQ(rec->value("Decalage Horaire")->type, RegType::Binary);
    const auto font = rec->openSubKey("FontRec", false);
    ASSERT_TRUE(font);
    EXPECT_EQ(font->readString("FontName"), "Arial");
    EXPECT_EQ(font->readDWord("FontColor"), 15780518u);
    EXPECT_EQ(key->readBinary("f"),
              std::vector<uint8_t>({0, 0, 0, 0, 0, 0, 0xE0, 0x3F})); // 0.5, little-endian
    EXPECT_EQ(key->readDWord("b"), 1u);
}

TEST_F(Preferences, RegistryReadsForgiveWrongTypes) {
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, kKeyPath, true);
        key->writeString("int", "12");
        key->writeDWord("str", 5);
        key->writeExpandString("exp", "$HOME");
        key->writeDWord("bool", 7);
        key->writeBinary("short", std::vector<uint8_t>{1, 2, 3});
        key->writeString("IncrustRec", "not a key");
        key->openSubKey("Partial", true)->writeDWord("Ypos", 100);
    }
    TReadPreferences reader(kKeyPath, pmRegistry);
    EXPECT_EQ(reader.ReadInteger("int", 3), 3);
    EXPECT_EQ(reader.ReadString("str", "d"), "d");
    EXPECT_EQ(reader.ReadString("exp", "d"), "$HOME"); // accepted, not expanded
    EXPECT_TRUE(reader.ReadBool("bool", false));
    EXPECT_EQ(reader.ReadFloat("short", 2.5), 2.5);
    EXPECT_EQ(reader.ReadIncrustRec("IncrustRec", TincrustRec{}), TincrustRec{});
    const TincrustRec partial = reader.ReadIncrustRec("Partial", TincrustRec{});
    EXPECT_EQ(partial.Ypos, 100);
    EXPECT_EQ(partial.Xpos, 914);
    EXPECT_EQ(partial.FontRec, TfontRecord{});
}

TEST_F(Preferences, PortableEntriesWithEmptyOrOddValues) {
    writeIni({kSection, "b=", "i=", "f=", "bz= 0 ", "iz= -5 ", "ix=5x", "fx=1,5,5",
              "IncrustRec\\Incrust1=", "IncrustRec\\Ypos=77",
              "IncrustRec\\FontRec\\FontName=Courier"});
    TReadPreferences reader(kKeyPath, pmPortable);
    EXPECT_TRUE(reader.ReadBool("b", false)); // present and not "0": true
    EXPECT_FALSE(reader.ReadBool("bz", true));
    EXPECT_EQ(reader.ReadInteger("i", 9), 0);
    EXPECT_EQ(reader.ReadInteger("iz", 9), -5);
    EXPECT_EQ(reader.ReadInteger("ix", 9), 0);
    EXPECT_EQ(reader.ReadFloat("f", 9), 0.0);
    EXPECT_EQ(reader.ReadFloat("fx", 9), 0.0);
    EXPECT_EQ(reader.ReadString("b", "d"), "");
    const TincrustRec rec = reader.ReadIncrustRec("IncrustRec", TincrustRec{});
    EXPECT_EQ(rec.Incrust1, L"");
    EXPECT_EQ(rec.Incrust2, TincrustRec{}.Incrust2);
    EXPECT_EQ(rec.Ypos, 77);
    EXPECT_EQ(rec.FontRec.Name, L"Courier");
    EXPECT_EQ(rec.FontRec.Size, 21);
}

TEST_F(Preferences, PortableRecordIsFlattenedInFieldOrder) {
    {
        TWritePreferences writer(kKeyPath, pmPortable);
        writer.WriteIncrustRec("IncrustRec", TincrustRec{});
    }
    const QStringList expected{kSection,
                               "IncrustRec\\Incrust1=realized on %R",
                               "IncrustRec\\Incrust2=with Stillpick by Orvane",
                               "IncrustRec\\FormatDate1=dddddd",
                               "IncrustRec\\FormatDate2=tt",
                               "IncrustRec\\Decalage Horaire=0",
                               "IncrustRec\\FontRec\\FontName=Arial",
                               "IncrustRec\\FontRec\\FontSize=21",
                               "IncrustRec\\FontRec\\FontColor=15780518",
                               "IncrustRec\\FontRec\\FontBold=0",
                               "IncrustRec\\FontRec\\FontItalic=0",
                               "IncrustRec\\FontRec\\FontUnderline=0",
                               "IncrustRec\\FontRec\\FontStrikeOut=0",
                               "IncrustRec\\Autofontsize=1",
                               "IncrustRec\\BorderSize=2",
                               "IncrustRec\\What Incrust=5",
                               "IncrustRec\\Alignement=2",
                               "IncrustRec\\BorderColor=0",
                               "IncrustRec\\Xpos=914",
                               "IncrustRec\\Ypos=914"};
    EXPECT_EQ(iniLines(), expected);
}

TEST_F(Preferences, NoneModeReadsDefaultsAndWritesNothing) {
    {
        TWritePreferences writer(kKeyPath, pmNone);
        writer.WriteInteger("i", 1);
        writer.WriteIncrustRec("IncrustRec", sampleRecord());
    }
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, "Software", false));
    TReadPreferences reader(kKeyPath, pmNone);
    EXPECT_EQ(reader.ReadInteger("i", 5), 5);
    EXPECT_EQ(reader.ReadIncrustRec("IncrustRec", TincrustRec{}), TincrustRec{});
}

TEST_F(Preferences, MissingRegistryKeyIsNoFailureButMissingFileIs) {
    TReadPreferences registry(kKeyPath, pmRegistry);
    EXPECT_EQ(registry.ReadInteger("i", 5), 5);
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kKeyPath, false)); // nothing created
    EXPECT_THROW(TReadPreferences(kKeyPath, pmPortable), TPrefsError);
}

TEST_F(Preferences, SaveDateFollowsTheTwelveHourPattern) {
    const QDate day(2026, 3, 7);
    EXPECT_EQ(FormatSaveDate(QDateTime(day, QTime(0, 5, 9))).right(11), "12:05:09 am");
    EXPECT_EQ(FormatSaveDate(QDateTime(day, QTime(12, 0, 0))).right(11), "12:00:00 pm");
    EXPECT_EQ(FormatSaveDate(QDateTime(day, QTime(23, 59, 58))).right(11), "11:59:58 pm");
    const QRegularExpression pattern(R"(^2026[/.\-]03[/.\-]07 \d\d[:.]\d\d[:.]\d\d (am|pm)$)");
    EXPECT_TRUE(pattern.match(FormatSaveDate(QDateTime(day, QTime(9, 1, 2)))).hasMatch());
}

} // namespace
