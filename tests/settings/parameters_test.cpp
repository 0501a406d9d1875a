#include "settings/parameters.h"

#include "settings_test_support.h"

#include <memory>

using namespace sp;
using sptest::kSection;

namespace {

class Parameters : public sptest::SettingsWorld {};

TEST_F(Parameters, RegisterInOrderStartAtDefaultAndLeaveWhenDestroyed) {
    TparameterList list("sig");
    TIntegerParameter a("a", 3, list);
    auto b = std::make_unique<TWideStringParameter>("b", "x", list);
    TframeNumberParameter c("c", 2, list);
    EXPECT_EQ(list.Items(), (std::vector<TParameter*>{&a, b.get(), &c}));
    EXPECT_EQ(a.Value, 3);
    EXPECT_EQ(b->Value, "x");
    b.reset();
    EXPECT_EQ(list.Items(), (std::vector<TParameter*>{&a, &c}));

    auto shortLived = std::make_unique<TparameterList>("s");
    TBooleanParameter orphan("o", true, *shortLived);
    shortLived.reset(); // the parameter outlives its list without harm
    EXPECT_EQ(orphan.Owner, nullptr);
    orphan.Value = false;
    orphan.Load(); // no reader: a failed read gives the default
    EXPECT_TRUE(orphan.Value);
}

class ParametersInBothStores : public sptest::SettingsWorld,
                               public ::testing::WithParamInterface<TPrefsMode> {};

TEST_P(ParametersInBothStores, StoredValuesLoadWithTheirKindsRules) {
    SaveMode = GetParam();
    {
        TWritePreferences writer(kKeyPath, SaveMode);
        writer.WriteInteger("Panneau Actif", 300);
        writer.WriteInteger("Raccourcis Sort", -1);
        writer.WriteString("Empty", "");
        writer.WriteString("Marker", kEmptyMarker);
        writer.WriteString("Text", "kept");
        writer.WriteBool("Flag", false);
    }
    TparameterList list("sig");
    TframeNumberParameter panel("Panneau Actif", 0, list);
    TRaccourcisSortParameter sort("Raccourcis Sort", 0, list);
    TWideStringParameter empty("Empty", "default", list);
    TWideStringParameter marker("Marker", "default", list);
    TWideStringParameter text("Text", "default", list);
    TBooleanParameter flag("Flag", true, list);
    TIntegerParameter missing("Missing", 17, list);
    missing.Value = 99;
    list.LoadAll();
    EXPECT_EQ(panel.Value, 44); // low 8 bits
    EXPECT_EQ(sort.Value, 255);
    EXPECT_EQ(empty.Value, "default");
    EXPECT_EQ(marker.Value, "default");
    EXPECT_EQ(text.Value, "kept");
    EXPECT_FALSE(flag.Value);
    EXPECT_EQ(missing.Value, 17);
    EXPECT_EQ(list.Reader, nullptr);
}

TEST_P(ParametersInBothStores, ClearedStringIsStoredAsTheMarkerAndLoadsAsDefault) {
    SaveMode = GetParam();
    TparameterList list("sig");
    TWideStringParameter racine("DefaultRacine", "Stillpick", list);
    TincrustRecParameter inlay("IncrustRec", TincrustRec{}, list);
    racine.Value.clear();
    inlay.Value.Incrust1.clear();
    list.SaveAll();
    EXPECT_EQ(list.Writer, nullptr);

    TReadPreferences reader(kKeyPath, SaveMode);
    EXPECT_EQ(reader.ReadString("DefaultRacine", "?"), kEmptyMarker);
    EXPECT_EQ(reader.ReadString("ExeName", "?"), programFile_);
    EXPECT_EQ(reader.ReadString("Signature", "?"), "sig");

    racine.Value = "changed";
    inlay.Value = TincrustRec{};
    list.LoadAll();
    EXPECT_EQ(racine.Value, "Stillpick");
    EXPECT_EQ(inlay.Value.Incrust1, L""); // record strings are raw: empty stays empty
}

INSTANTIATE_TEST_SUITE_P(BothStores, ParametersInBothStores,
                         ::testing::Values(pmRegistry, pmPortable));

TEST_F(Parameters, NoneModeLoadsDefaultsAndSavesNothing) {
    SaveMode = pmNone;
    TparameterList list("sig");
    TIntegerParameter a("a", 3, list);
    a.Value = 8;
    list.LoadAll();
    EXPECT_EQ(a.Value, 3);
    a.Value = 8;
    list.SaveAll();
    EXPECT_FALSE(QFile::exists(iniPath()));
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, "Software", false));
}

TEST_F(Parameters, UnreadableStoreLeavesValuesAsTheyWere) {
    SaveMode = pmPortable; // but there is no file
    TparameterList list("sig");
    TIntegerParameter a("a", 3, list);
    a.Value = 8;
    EXPECT_THROW(list.LoadAll(), TPrefsError);
    EXPECT_EQ(a.Value, 8);
    EXPECT_EQ(list.Reader, nullptr);
}

TEST_F(Parameters, SaveWritesTheHeaderEntriesFirstAndKeepsOtherLines) {
    SaveMode = pmPortable;
    writeIni({"[Other]", "k=v", kSection, "old=1", "b=0"});
    TparameterList list("sig");
    TIntegerParameter a("a", 3, list);
    TBooleanParameter b("b", true, list);
    list.SaveAll();
    const QStringList lines = iniLines();
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines.mid(0, 5), QStringList({"[Other]", "k=v", kSection, "old=1", "b=1"}));
    EXPECT_EQ(lines[5], "Signature=sig");
    EXPECT_TRUE(lines[6].startsWith("DerniereSauvegarde="));
    EXPECT_EQ(lines[7], "ExeName=" + programFile_);
    EXPECT_EQ(lines[8], "a=3");
}

} // namespace
