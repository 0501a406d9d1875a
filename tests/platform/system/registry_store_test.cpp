#include "platform/system/atomic_file.h"
#include "platform/system/registry_key.h"
#include "support/file_size_limit.h"

#include "registry_test_support.h"

#include <algorithm>

using sp::RegistryHive;
using sp::RegistryKey;
using sp::RegRoot;

namespace {

class RegistryStoreTest : public sptest::TempRegistryDir {
protected:
    std::vector<std::string> damagedCopies() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            if (entry.path().filename().string().find(".damaged-") != std::string::npos)
                found.push_back(entry.path().string());
        return found;
    }
};

using sptest::FileSizeLimit;

TEST_F(RegistryStoreTest, DamagedHiveReadsEmptyIsKeptAsideAndReportedOnce) {
    const std::string garbage = "{\"values\": [ {\"name\": \"x\", \"type\": \"REG_DWORD\"";
    writeFile(hivePath(), garbage);

    testing::internal::CaptureStderr();
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, "Software", false);
        EXPECT_FALSE(key);
    }
    EXPECT_FALSE(RegistryKey::open(RegRoot::CurrentUser, "Software", false));
    const std::string report = testing::internal::GetCapturedStderr();
    EXPECT_NE(report.find("damaged"), std::string::npos) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 1) << "reported once: " << report;

    EXPECT_FALSE(std::filesystem::exists(hivePath()));
    const auto copies = damagedCopies();
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(readFile(copies[0]), garbage);

    // The store keeps working from empty.
    RegistryKey::open(RegRoot::CurrentUser, "Software", true)->writeDWord("x", 1);
    EXPECT_EQ(RegistryKey::open(RegRoot::CurrentUser, "Software", false)->readDWord("x"), 1u);
}

TEST_F(RegistryStoreTest, StructurallyWrongHivesCountAsDamaged) {
    const char* cases[] = {
        "[1, 2]",
        "{\"values\": {}}",
        "{\"values\": [{\"name\": \"x\", \"type\": \"REG_DWORD\", \"data\": -1}]}",
        "{\"values\": [{\"name\": \"x\", \"type\": \"REG_DWORD\", \"data\": 4294967296}]}",
        "{\"values\": [{\"name\": \"x\", \"type\": \"REG_BINARY\", \"data\": \"abc\"}]}",
        "{\"values\": [{\"name\": \"x\", \"type\": \"REG_BINARY\", \"data\": \"zz\"}]}",
        "{\"values\": [{\"name\": \"x\", \"type\": \"REG_QWORD\", \"data\": 1}]}",
        "{\"keys\": [{\"name\": \"a\\\\b\"}]}",
        "{\"keys\": [{\"name\": \"\"}]}",
        "",
    };
    testing::internal::CaptureStderr();
    for (const char* text : cases) {
        EXPECT_THROW(sp::parseHive(text), std::runtime_error) << text;
    }
    testing::internal::GetCapturedStderr();
}

TEST_F(RegistryStoreTest, DuplicateNamesInAHandEditedHiveMerge) {
    const auto root = sp::parseHive(R"({"keys": [
        {"name": "A", "values": [{"name": "v", "type": "REG_SZ", "data": "1"}]},
        {"name": "a", "values": [{"name": "V", "type": "REG_SZ", "data": "2"},
                                 {"name": "w", "type": "REG_DWORD", "data": 3}]}]})");
    ASSERT_EQ(root->subkeys.size(), 1u);
    EXPECT_EQ(root->subkeys[0]->values.size(), 2u);
    EXPECT_EQ(root->subkeys[0]->findValue(u"v")->text, "2");
}

TEST_F(RegistryStoreTest, FailedWriteKeepsThePreviousHive) {
    {
        auto key = RegistryKey::open(RegRoot::CurrentUser, "Software", true);
        key->writeString("keep", "old");
    }
    const std::string before = readFile(hivePath());
    ASSERT_FALSE(before.empty());

    auto key = RegistryKey::open(RegRoot::CurrentUser, "Software", true);
    key->writeString("keep", QString(100000, u'n'));
    std::string error;
    {
        FileSizeLimit full(before.size() + 100);
        EXPECT_FALSE(key->flush(&error));
    }
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readFile(hivePath()), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos);

    EXPECT_TRUE(key->flush()); // changes were kept pending and go through now
    EXPECT_GT(readFile(hivePath()).size(), 100000u);
}

TEST_F(RegistryStoreTest, OnlyAChangedValueWritesTheHiveAgain) {
    // The file is replaced behind the store's back: it stays so until the hive is written.
    const std::string marker = "not written since";
    auto key = RegistryKey::open(RegRoot::CurrentUser, "Software\\Same", true);
    key->writeDWord("n", 5);
    key->writeString("s", "text");
    ASSERT_TRUE(key->flush());
    writeFile(hivePath(), marker);
    key->writeDWord("N", 5); // the same value, under another case of its name
    key->writeString("s", "text");
    ASSERT_TRUE(key->flush());
    EXPECT_EQ(readFile(hivePath()), marker);
    key->writeString("s", "Text");
    ASSERT_TRUE(key->flush());
    EXPECT_NE(readFile(hivePath()), marker);
    writeFile(hivePath(), marker);
    key->writeBinary("n", std::vector<uint8_t>{5, 0, 0, 0}); // the same bytes as another type
    ASSERT_TRUE(key->flush());
    EXPECT_NE(readFile(hivePath()), marker);
    EXPECT_EQ(key->readBinary("n")->size(), 4u);
}

TEST_F(RegistryStoreTest, UnusableStoreFolderFailsCleanly) {
    writeFile(path("plain-file"), "x");
    ::setenv("STILLPICK_REGISTRY_DIR", path("plain-file/store").c_str(), 1);
    auto key = RegistryKey::open(RegRoot::CurrentUser, "Software", true);
    ASSERT_TRUE(key);
    key->writeDWord("x", 1);
    std::string error;
    EXPECT_FALSE(key->flush(&error));
    EXPECT_FALSE(error.empty());
    testing::internal::CaptureStderr();
    key.reset(); // the last handle reports the loss instead of crashing
    EXPECT_NE(testing::internal::GetCapturedStderr().find("lost"), std::string::npos);
}

TEST_F(RegistryStoreTest, StoreFolderFollowsTheEnvironment) {
    EXPECT_EQ(RegistryHive::storeFolder(), dir_);
    ::unsetenv("STILLPICK_REGISTRY_DIR");
    const char* oldConfig = std::getenv("XDG_CONFIG_HOME");
    const std::string saved = oldConfig ? oldConfig : "";
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(RegistryHive::storeFolder(), "/cfg/stillpick");
    ::setenv("XDG_CONFIG_HOME", "relative", 1); // not absolute: ignored
    EXPECT_EQ(RegistryHive::storeFolder(), std::string(std::getenv("HOME")) + "/.config/stillpick");
    if (oldConfig)
        ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

TEST_F(RegistryStoreTest, AtomicWriteFollowsLinksAndKeepsPermissions) {
    const std::string target = path("target.txt");
    writeFile(target, "old");
    ::chmod(target.c_str(), 0640);
    std::filesystem::create_symlink(target, path("link.txt"));
    const std::string text = "new";
    ASSERT_TRUE(sp::writeFileAtomically(path("link.txt"), std::as_bytes(std::span(text))).ok);
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.txt")));
    EXPECT_EQ(readFile(target), "new");
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(RegistryStoreTest, AtomicWriteThatKeepsExistingFilesNeverReplacesOne) {
    const std::string text = "new";
    const auto bytes = std::as_bytes(std::span(text));
    writeFile(path("old.txt"), "old");
    // A file, a link to it, and a link to nothing: none is written through or replaced.
    std::filesystem::create_symlink(path("old.txt"), path("link.txt"));
    std::filesystem::create_symlink(path("nowhere.txt"), path("dangling.txt"));
    for (const char* name : {"old.txt", "link.txt", "dangling.txt"}) {
        const sp::AtomicWriteResult result =
            sp::writeFileAtomically(path(name), bytes, 0644, sp::ExistingFile::Keep);
        EXPECT_FALSE(result.ok) << name;
        EXPECT_TRUE(result.exists) << name;
        EXPECT_NE(result.error.find("already exists"), std::string::npos) << result.error;
    }
    EXPECT_EQ(readFile(path("old.txt")), "old");
    EXPECT_FALSE(std::filesystem::exists(path("nowhere.txt")));

    const sp::AtomicWriteResult fresh =
        sp::writeFileAtomically(path("fresh.txt"), bytes, 0644, sp::ExistingFile::Keep);
    EXPECT_TRUE(fresh.ok) << fresh.error;
    EXPECT_EQ(readFile(path("fresh.txt")), "new");
    // Nothing but the files above is left in the folder (no temporary files).
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(path("")))
        ++entries;
    EXPECT_EQ(entries, 4);
}

} // namespace
