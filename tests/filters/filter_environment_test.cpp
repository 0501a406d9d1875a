#include "filters/filter_environment.h"

#include "filterlib/test_filter_library.h"
#include "platform/graph/base_filter.h"
#include "platform/graph/filter_mapper.h"
#include "platform/system/filter_library.h"
#include "platform/system/registry_key.h"
#include "platform/system/registry_test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace sp {
namespace {

using sptest::TempRegistryDir;

std::optional<uint32_t> dword(RegRoot root, const QString& key, const char* name) {
    auto handle = RegistryKey::open(root, key, false);
    return handle ? handle->readDWord(QString::fromLatin1(name)) : std::nullopt;
}

bool keyExists(RegRoot root, const QString& key) {
    return RegistryKey::open(root, key, false).has_value();
}

int valueCount(const QString& key) {
    auto handle = RegistryKey::open(RegRoot::CurrentUser, key, false);
    return handle ? int(handle->valueNames().size()) : -1;
}

class FilterEnvironmentTest : public TempRegistryDir {
protected:
    // Installed-looking settings of both packages, with a subkey under ffdshow.
    void installPackages() {
        auto user = RegistryKey::open(RegRoot::CurrentUser, kHaaliUserKey, true);
        user->writeDWord("ui.trayicon", 1);
        user->writeString("custom", "mine");
        auto machine = RegistryKey::open(RegRoot::LocalMachine, kHaaliMachineKey, true);
        machine->writeDWord("rAvi", 1);
        machine->writeDWord("rm2ts", 0);
        auto video = RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey, true);
        video->writeDWord("trayIcon", 1);
        video->writeDWord("h264", 3);
        auto preset = RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey + "\\default", true);
        preset->writeDWord("isDeinterlace", 0);
        preset->writeString("presetName", "user preset");
    }

    void expectPackagesAsInstalled() {
        EXPECT_EQ(dword(RegRoot::CurrentUser, kHaaliUserKey, "ui.trayicon"), 1u);
        EXPECT_EQ(
            RegistryKey::open(RegRoot::CurrentUser, kHaaliUserKey, false)->readString("custom"),
            "mine");
        EXPECT_EQ(dword(RegRoot::LocalMachine, kHaaliMachineKey, "rAvi"), 1u);
        EXPECT_EQ(dword(RegRoot::LocalMachine, kHaaliMachineKey, "rm2ts"), 0u);
        EXPECT_FALSE(dword(RegRoot::LocalMachine, kHaaliMachineKey, "rmp4"));
        EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "h264"), 3u);
        EXPECT_EQ(valueCount(kFfdshowKey), 2);
        EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey + "\\default", "isDeinterlace"), 0u);
        EXPECT_EQ(valueCount(kFfdshowKey + "\\default"), 2);
        EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kHaaliUserBackupKey));
        EXPECT_FALSE(keyExists(RegRoot::LocalMachine, kHaaliMachineBackupKey));
        EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kFfdshowBackupKey));
    }
};

TEST_F(FilterEnvironmentTest, AdjustedWhileRunningAndPutBackAtTheEnd) {
    installPackages();
    StartFilterEnvironment(true);
    EXPECT_TRUE(keyExists(RegRoot::CurrentUser, kHaaliUserBackupKey));
    EXPECT_TRUE(keyExists(RegRoot::LocalMachine, kHaaliMachineBackupKey));
    EXPECT_TRUE(keyExists(RegRoot::CurrentUser, kFfdshowBackupKey + "\\default"));
    EXPECT_EQ(dword(RegRoot::CurrentUser, kHaaliUserKey, "ui.trayicon"), 0u);
    EXPECT_EQ(dword(RegRoot::LocalMachine, kHaaliMachineKey, "rAvi"), 0u);
    for (const char* name : {"rm2ts", "rmp4", "rOGM", "rts", "rPS"})
        EXPECT_EQ(dword(RegRoot::LocalMachine, kHaaliMachineKey, name), 1u) << name;
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "h264"), 21u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey + "\\default", "outRGB32"), 1u);

    EndFilterEnvironment();
    expectPackagesAsInstalled();
}

TEST_F(FilterEnvironmentTest, WithoutAdjustingAChangeMadeWhileRunningIsUndone) {
    installPackages();
    StartFilterEnvironment(false);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kHaaliUserKey, "ui.trayicon"), 1u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "h264"), 3u);
    // The user changes the packages' settings meanwhile.
    RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey, false)->writeDWord("h264", 99);
    RegistryKey::open(RegRoot::CurrentUser, kFfdshowKey + "\\new", true)->writeDWord("x", 1);
    RegistryKey::open(RegRoot::LocalMachine, kHaaliMachineKey, false)->writeDWord("rAvi", 5);

    EndFilterEnvironment();
    expectPackagesAsInstalled();
    EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kFfdshowKey + "\\new"));
}

TEST_F(FilterEnvironmentTest, StepResultsFollowWhatWasCopied) {
    // Nothing installed: nothing to back up or restore, which is no failure for Haali.
    EXPECT_FALSE(SaveFfdshowSettings());
    EXPECT_TRUE(SaveHaaliSettings());
    EXPECT_TRUE(AdjustHaaliSettings());
    EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kHaaliUserKey)); // never created
    EXPECT_FALSE(keyExists(RegRoot::LocalMachine, kHaaliMachineKey));
    EXPECT_FALSE(RestoreFfdshowSettings());
    EXPECT_FALSE(RestoreHaaliSettings());

    // Only the user settings of Haali: restored, but the machine settings were not.
    RegistryKey::open(RegRoot::CurrentUser, kHaaliUserKey, true)->writeDWord("ui.trayicon", 1);
    EXPECT_TRUE(SaveHaaliSettings());
    EXPECT_FALSE(RestoreHaaliSettings());
    EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kHaaliUserBackupKey));
}

TEST_F(FilterEnvironmentTest, WithoutFfdshowAtStartTheAdjustedKeysStay) {
    StartFilterEnvironment(true);
    EXPECT_FALSE(keyExists(RegRoot::CurrentUser, kFfdshowBackupKey));
    // Every value of the adjustment table, key by key.
    EXPECT_EQ(valueCount(kFfdshowKey), 72);
    EXPECT_EQ(valueCount(kFfdshowKey + "\\default"), 31);
    EXPECT_EQ(valueCount(kFfdshowAudioKey), 34);
    EXPECT_EQ(valueCount(kFfdshowAudioKey + "\\default"), 2);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "mpegAVI"), 5u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "fvfw"), 9u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey, "mss2"), 12u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey + "\\default", "setSARinOutSample"), 2u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowKey + "\\default", "resizeIf"), 0u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowAudioKey, "ac3"), 15u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowAudioKey, "vorbis"), 18u);
    EXPECT_EQ(dword(RegRoot::CurrentUser, kFfdshowAudioKey + "\\default", "outsfs"), 1u);

    EndFilterEnvironment();
    EXPECT_EQ(valueCount(kFfdshowKey), 72);
    EXPECT_EQ(valueCount(kFfdshowAudioKey), 34);
}

TEST_F(FilterEnvironmentTest, MachineSettingsThatCannotBeWrittenReportFalse) {
    installPackages();
    // The machine hive is loaded; then its file's place is taken by a folder, so it cannot be
    // written back, as when the user lacks the rights.
    auto machine = RegistryKey::open(RegRoot::LocalMachine, kHaaliMachineKey, false);
    std::filesystem::remove(path("HKEY_LOCAL_MACHINE.json"));
    std::filesystem::create_directories(path("HKEY_LOCAL_MACHINE.json/blocked"));

    EXPECT_FALSE(SaveHaaliSettings());
    EXPECT_TRUE(SaveFfdshowSettings());
    EXPECT_FALSE(AdjustHaaliSettings());
    EXPECT_EQ(dword(RegRoot::CurrentUser, kHaaliUserKey, "ui.trayicon"), 0u); // user part done
    EXPECT_FALSE(RestoreHaaliSettings());
    EXPECT_TRUE(RestoreFfdshowSettings());
    EXPECT_EQ(dword(RegRoot::CurrentUser, kHaaliUserKey, "ui.trayicon"), 1u);

    testing::internal::CaptureStderr(); // the store reports the unwritten hive when it closes
    machine.reset();
    testing::internal::GetCapturedStderr();
}

class TestFilter final : public mf::BaseFilter {
public:
    TestFilter() : BaseFilter("Test", sptest::kLibraryTestFilterClsid) {}
    int GetPinCount() override { return 0; }
    mf::BasePin* GetPin(int) override { return nullptr; }
};

mf::FilterRegistration registrationOf(const char* clsid,
                                      std::function<mf::ComPtr<mf::IBaseFilter>()> create) {
    mf::FilterRegistration r;
    r.clsid = *mf::GUID::parse(clsid);
    r.friendlyName = "Presence test";
    r.create = std::move(create);
    return r;
}

TEST(FilterPresence, OnlyAFilterThatIsCreatedCounts) {
    const char* present = "{0E3B7F10-2C44-4B8A-9D61-1A2B3C4D5E60}";
    const char* empty = "{0E3B7F10-2C44-4B8A-9D61-1A2B3C4D5E61}";
    const char* throwing = "{0E3B7F10-2C44-4B8A-9D61-1A2B3C4D5E62}";
    mf::ScopedFilterRegistration a(registrationOf(
        present, [] { return mf::ComPtr<mf::IBaseFilter>(mf::make<TestFilter>()); }));
    mf::ScopedFilterRegistration b(registrationOf(empty, [] { return nullptr; }));
    mf::ScopedFilterRegistration c(registrationOf(throwing, []() -> mf::ComPtr<mf::IBaseFilter> {
        throw std::runtime_error("factory failed");
    }));
    EXPECT_TRUE(IsFilterInstalled(*mf::GUID::parse(present)));
    EXPECT_FALSE(IsFilterInstalled(*mf::GUID::parse(empty)));
    EXPECT_FALSE(IsFilterInstalled(*mf::GUID::parse(throwing)));
    EXPECT_FALSE(IsFilterInstalled(*mf::GUID::parse("{0E3B7F10-2C44-4B8A-9D61-1A2B3C4D5E63}")));
}

class FilterLibraryTest : public ::testing::Test {
protected:
    std::filesystem::path scratch(const char* name) {
        return std::filesystem::path(::testing::TempDir()) / name;
    }
    static std::string env(const char* name) {
        const char* value = std::getenv(name);
        return value ? value : "<unset>";
    }
};

TEST_F(FilterLibraryTest, TheTestLibraryRegistersAndUnregistersItsFilter) {
    ASSERT_FALSE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
    EXPECT_THAT(NeededLibraries(SP_TEST_FILTER_LIBRARY),
                testing::Contains(std::string("libsp_test_filter_name.so")));

    // Its neighbour library is found though no search path leads to it.
    ASSERT_TRUE(RegisterFilterFile(SP_TEST_FILTER_LIBRARY));
    EXPECT_TRUE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
    mf::ComPtr<mf::IBaseFilter> filter;
    ASSERT_EQ(mf::FilterMapper::instance().CreateFilter(sptest::kLibraryTestFilterClsid, &filter),
              mf::S_OK);
    mf::FilterInfo info;
    ASSERT_EQ(filter->QueryFilterInfo(&info), mf::S_OK);
    EXPECT_EQ(info.name, sptest::kLibraryTestFilterName);

    EXPECT_TRUE(UnregisterFilterFile(SP_TEST_FILTER_LIBRARY));
    EXPECT_FALSE(IsFilterInstalled(sptest::kLibraryTestFilterClsid));
    EXPECT_FALSE(UnregisterFilterFile(SP_TEST_FILTER_LIBRARY)); // nothing left to remove
    filter = nullptr; // made by the library, whose code stays loaded
}

TEST_F(FilterLibraryTest, FilesThatAreNoFilterLibrariesFailAndChangeNothing) {
    const std::string searchPath = env("LD_LIBRARY_PATH"), path = env("PATH");
    EXPECT_FALSE(RegisterFilterFile(SP_TEST_NO_ENTRY_LIBRARY));
    EXPECT_FALSE(UnregisterFilterFile(SP_TEST_NO_ENTRY_LIBRARY));
    EXPECT_EQ(env("LD_LIBRARY_PATH"), searchPath);
    EXPECT_EQ(env("PATH"), path);

    const auto text = scratch("not-a-library.ax");
    std::ofstream(text) << "MZ this is no shared object";
    const auto folder = scratch("folder.ax");
    std::filesystem::create_directories(folder);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(RegisterFilterFile(text));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("not-a-library.ax"), std::string::npos);
    EXPECT_FALSE(RegisterFilterFile(folder));
    EXPECT_FALSE(RegisterFilterFile(scratch("missing.ax")));
    EXPECT_TRUE(NeededLibraries(text).empty());
}

TEST_F(FilterLibraryTest, ADamagedLibraryIsReadSafely) {
    // Every cut of the real library's head is parsed without reading past what is there.
    std::ifstream in(SP_TEST_FILTER_LIBRARY, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 4096u);
    const auto cut = scratch("cut.so");
    for (size_t size : {size_t(4), size_t(64), size_t(200), size_t(1000), bytes.size() / 2}) {
        std::ofstream(cut, std::ios::binary | std::ios::trunc).write(bytes.data(), long(size));
        (void)NeededLibraries(cut);
    }
    std::string scrambled = bytes;
    for (size_t i = 64; i < 4096; i += 7)
        scrambled[i] = char(0xff);
    std::ofstream(cut, std::ios::binary | std::ios::trunc)
        .write(scrambled.data(), long(scrambled.size()));
    (void)NeededLibraries(cut);
}

} // namespace
} // namespace sp
