#include "platform/system/registry_key.h"

#include "registry_test_support.h"

#include <nlohmann/json.hpp>

using sp::RegistryKey;
using sp::RegRoot;
using sp::RegType;
using sp::RegValue;

namespace {

class RegistryKeyTest : public sptest::TempRegistryDir {};

const QString kPath = QStringLiteral("\\Software\\Orvane\\Stillpick");

TEST_F(RegistryKeyTest, EveryValueKindSurvivesTheDisk) {
    const std::vector<uint8_t> blob{0, 1, 0x7f, 0x80, 0xff};
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, kPath, true);
        ASSERT_TRUE(key);
        EXPECT_TRUE(key->writeString("Name", QStringLiteral("Durée é ∑ \"q\" \\ 😀")));
        EXPECT_TRUE(key->writeExpandString("Path", "%HOME%/x"));
        EXPECT_TRUE(key->writeDWord("Big", 0xFFFFFFFFu));
        EXPECT_TRUE(key->writeBinary("Blob", blob));
        EXPECT_TRUE(key->writeString("Empty", ""));
    } // last handle closed: written
    ASSERT_TRUE(std::filesystem::exists(hivePath()));

    auto key = RegistryKey::open(RegRoot::CurrentUser, kPath, false);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->readString("Name"), QStringLiteral("Durée é ∑ \"q\" \\ 😀"));
    EXPECT_EQ(key->value("Path"), RegValue::expandString("%HOME%/x"));
    EXPECT_EQ(key->readString("Path"), "%HOME%/x"); // read as stored, not expanded
    EXPECT_EQ(key->readDWord("Big"), 0xFFFFFFFFu);
    EXPECT_EQ(key->readBinary("Blob"), blob);
    EXPECT_EQ(key->readString("Empty"), "");
    EXPECT_EQ(key->valueNames(), QStringList({"Name", "Path", "Big", "Blob", "Empty"}));
}

TEST_F(RegistryKeyTest, ReadsOfAnotherTypeOrMissingGiveNothing) {
    auto key = RegistryKey::open(RegRoot::CurrentUser, kPath, true);
    key->writeDWord("n", 5);
    key->writeString("s", "5");
    EXPECT_FALSE(key->readString("n"));
    EXPECT_FALSE(key->readBinary("n"));
    EXPECT_FALSE(key->readDWord("s"));
    EXPECT_FALSE(key->readDWord("missing"));
}

TEST_F(RegistryKeyTest, NamesIgnoreCaseAndKeepTheirFirstCase) {
    auto key = RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane\\Stillpick", true);
    key->writeString("ExeName", "/a");
    key->writeString("EXENAME", "/b"); // same value, now a string of another content
    EXPECT_EQ(key->valueNames(), QStringList({"ExeName"}));
    EXPECT_EQ(key->readString("exename"), "/b");
    key->writeDWord("exename", 1); // a write may change the type
    EXPECT_EQ(key->value("ExeName")->type, RegType::DWord);

    auto same = RegistryKey::open(RegRoot::CurrentUser, "\\SOFTWARE\\orvane\\STILLPICK\\", false);
    ASSERT_TRUE(same);
    EXPECT_EQ(same->readDWord("EXENAME"), 1u);
    auto parent = RegistryKey::open(RegRoot::CurrentUser, "software", false);
    EXPECT_EQ(parent->subKeyNames(), QStringList({"Orvane"}));
}

TEST_F(RegistryKeyTest, OpenWithoutCreateNeitherMakesKeysNorFiles) {
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kPath, false));
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, "Software", false));
    EXPECT_FALSE(std::filesystem::exists(hivePath()));
}

TEST_F(RegistryKeyTest, BadPathsAreRefused) {
    std::string deep;
    for (int i = 0; i < sp::kMaxKeyDepth + 1; ++i)
        deep += "\\k";
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, QString::fromStdString(deep), true));
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, QString(300, u'x'), true));
    EXPECT_TRUE(RegistryKey::open(RegRoot::CurrentUser, QString(255, u'x'), true));
}

TEST_F(RegistryKeyTest, DeletingValuesAndTrees) {
    auto key = RegistryKey::open(RegRoot::CurrentUser, kPath, true);
    auto font = key->openSubKey("IncrustRec\\FontRec", true);
    font->writeString("FontName", "Arial");
    key->writeDWord("x", 1);

    EXPECT_TRUE(key->deleteValue("X"));
    EXPECT_FALSE(key->deleteValue("x"));
    EXPECT_TRUE(key->hasSubKey("incrustrec\\fontrec"));

    auto orvane = RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane", false);
    EXPECT_TRUE(orvane->deleteSubKeyTree("Stillpick"));
    EXPECT_FALSE(orvane->hasSubKeys());
    // Handles on deleted keys read nothing and refuse writes, even deep ones.
    EXPECT_TRUE(font->isDeleted());
    EXPECT_FALSE(font->readString("FontName"));
    EXPECT_FALSE(key->writeDWord("y", 2));
    EXPECT_FALSE(key->openSubKey("again", true));
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kPath, false));

    EXPECT_TRUE(RegistryKey::deleteTree(RegRoot::CurrentUser, "\\Software\\Orvane\\"));
    EXPECT_FALSE(RegistryKey::deleteTree(RegRoot::CurrentUser, "\\Software\\Orvane"));
    EXPECT_FALSE(RegistryKey::deleteTree(RegRoot::CurrentUser, "\\"));
}

TEST_F(RegistryKeyTest, DeletionReachesTheDisk) {
    RegistryKey::open(RegRoot::CurrentUser, kPath, true)->writeDWord("a", 1);
    RegistryKey::deleteTree(RegRoot::CurrentUser, kPath);
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, kPath, false));
    EXPECT_TRUE(RegistryKey::open(RegRoot::CurrentUser, "Software\\Orvane", false));
}

TEST_F(RegistryKeyTest, CopyTreeBacksUpAndRestores) {
    auto source = RegistryKey::open(RegRoot::CurrentUser, "Software\\Decoder", true);
    source->writeDWord("mode", 3);
    source->openSubKey("sub\\deeper", true)->writeString("s", "v");

    auto backup = RegistryKey::open(RegRoot::LocalMachine, "Backup\\Decoder", true);
    ASSERT_TRUE(source->copyTreeTo(*backup));
    source->writeDWord("mode", 9);
    source->writeDWord("added", 1);

    ASSERT_TRUE(backup->copyTreeTo(*source)); // restore: values replaced, extras kept
    EXPECT_EQ(source->readDWord("mode"), 3u);
    EXPECT_EQ(source->readDWord("added"), 1u);
    EXPECT_EQ(source->openSubKey("SUB\\Deeper", false)->readString("s"), "v");

    // Copying a key below itself copies the snapshot once and stops.
    auto inside = source->openSubKey("sub\\copy", true);
    ASSERT_TRUE(source->copyTreeTo(*inside));
    EXPECT_TRUE(source->hasSubKey("sub\\copy\\sub\\deeper"));
    EXPECT_FALSE(source->hasSubKey("sub\\copy\\sub\\copy\\sub"));
}

TEST_F(RegistryKeyTest, HandlesShareOneTreeAndHivesAreSeparate) {
    auto a = RegistryKey::open(RegRoot::CurrentUser, kPath, true);
    auto b = RegistryKey::open(RegRoot::CurrentUser, kPath, false);
    a->writeDWord("shared", 7);
    EXPECT_EQ(b->readDWord("shared"), 7u);
    EXPECT_FALSE(RegistryKey::open(RegRoot::LocalMachine, kPath, false));
}

TEST_F(RegistryKeyTest, HiveFileIsReadableJson) {
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, "Software", true);
        key->writeDWord("mainheight", 522);
        key->writeBinary("Decalage", std::vector<uint8_t>{0xab, 0x01});
    }
    const auto doc = nlohmann::json::parse(readFile(hivePath()));
    EXPECT_EQ(doc["hive"], "HKEY_CURRENT_USER");
    const auto& values = doc["keys"][0]["values"];
    EXPECT_EQ(doc["keys"][0]["name"], "Software");
    EXPECT_EQ(values[0]["name"], "mainheight");
    EXPECT_EQ(values[0]["type"], "REG_DWORD");
    EXPECT_EQ(values[0]["data"], 522);
    EXPECT_EQ(values[1]["type"], "REG_BINARY");
    EXPECT_EQ(values[1]["data"], "ab01");
}

TEST_F(RegistryKeyTest, ExplicitFlushWritesWhileHandlesStayOpen) {
    auto key = RegistryKey::open(RegRoot::CurrentUser, kPath, true);
    key->writeDWord("v", 1);
    EXPECT_FALSE(std::filesystem::exists(hivePath()));
    EXPECT_TRUE(key->flush());
    EXPECT_NE(readFile(hivePath()).find("\"v\""), std::string::npos);
}

} // namespace
