#include "filters/filter_environment.h"

#include "platform/graph/filter_mapper.h"
#include "platform/system/filter_library.h"
#include "platform/system/registry_key.h"

#include <initializer_list>
#include <optional>
#include <span>

namespace sp {

namespace {

struct ValueGroup {
    uint32_t value;
    std::initializer_list<const char*> names;
};

struct KeyValues {
    const char* key;
    std::initializer_list<ValueGroup> groups;
};

// Every value the ffdshow adjustment writes, key by key (all DWORD).
const KeyValues kFfdshowValues[] = {
    {"\\Software\\GNU\\ffdshow",
     {{0, {"addToROT", "trayIcon", "isOSD", "keyboard", "isWhiteList", "isCompMgr"}},
      {1, {"isBlackList", "div3",  "mp43",   "mp42", "mp41", "h263", "flv1", "theo", "vp3",
           "vp5",         "vp6",   "vp6f",   "h261", "hfyu", "mjpg", "avrn", "svq1", "svq3",
           "8bps",        "qtrle", "qtrpza", "ffv1", "dvsd", "cdvc", "cscd", "png1", "loco",
           "mszh",        "tscc",  "zlib",   "zmbv", "aasc", "asv1", "vcr1", "cvid", "cavs",
           "cyuv",        "rt21",  "iv32",   "fps1", "vixl", "cram", "rle",  "qpeg", "rv10",
           "rv30",        "rv40",  "duck",   "ulti", "wnv1", "rawv"}},
      {5, {"mpg1", "mpg2", "mpegAVI", "em2v"}},
      {9, {"xvid", "dx50", "mp4v", "fvfw"}},
      {12, {"wmv1", "wmv2", "wmv3", "wvc1", "wvp2", "mss2"}},
      {21, {"h264"}}}},
    {"\\Software\\GNU\\ffdshow\\default",
     {{1, {"isDeinterlace", "deinterlaceAlways", "setDeintInOutSample", "outRGB32"}},
      {2, {"setSARinOutSample"}},
      {0, {"isCropNzoom",    "isLogoaway", "isPostproc",    "isPictProp",  "isGradFun",
           "isLevels",       "isOffset",   "isBlur",        "xsharpen",    "isWarpsharp",
           "isDscaler",      "isNoise",    "isPerspective", "isAvisynth",  "isVis",
           "isDCT",          "isBitmap",   "isSubtitles",   "isGrab",      "isOverlayControl",
           "allowOutChange", "outDV",      "flip",          "resizeIsDy0", "resizeAscpect",
           "resizeIf"}}}},
    {"\\Software\\GNU\\ffdshow_audio",
     {{0, {"addToROT", "trayIcon", "isWhiteList", "isCompMgr"}},
      {1, {"isBlackList", "mp3",    "mp2",        "eac3",       "truehd", "mlp",        "dts",
           "amr",         "wma1",   "wma2",       "msadpcm",    "iadpcm", "otherAdpcm", "law",
           "gsm",         "flac",   "tta",        "truespeech", "qdm2",   "mace",       "ra",
           "imc",         "atrac3", "nellymoser", "wavpack"}},
      {4, {"lpcm", "rawa"}},
      {8, {"aac"}},
      {15, {"ac3"}},
      {18, {"vorbis"}}}},
    {"\\Software\\GNU\\ffdshow_audio\\default", {{0, {"isOSD"}}, {1, {"outsfs"}}}},
};

const ValueGroup kHaaliMachineValues[] = {
    {1, {"rm2ts", "rmp4", "rOGM", "rts", "rPS"}},
    {0, {"rAvi"}},
};

enum class Copy { Nothing, Done, Failed };

// Writes the hive behind `key` now; false when it could not be written.
bool flushed(RegistryKey& key) {
    return key.flush();
}

// Copies `from` (with its subkeys) to `to`, replacing whatever `to` held.
Copy copyKey(RegRoot root, const QString& from, const QString& to) {
    std::optional<RegistryKey> source = RegistryKey::open(root, from, false);
    if (!source) return Copy::Nothing;
    RegistryKey::deleteTree(root, to); // false when there was none
    std::optional<RegistryKey> destination = RegistryKey::open(root, to, true);
    if (!destination || !source->copyTreeTo(*destination)) return Copy::Failed;
    return flushed(*destination) ? Copy::Done : Copy::Failed;
}

// Puts a backup back over its key and removes the backup.
Copy restoreKey(RegRoot root, const QString& key, const QString& backup) {
    std::optional<RegistryKey> saved = RegistryKey::open(root, backup, false);
    if (!saved) return Copy::Nothing;
    RegistryKey::deleteTree(root, key);
    std::optional<RegistryKey> restored = RegistryKey::open(root, key, true);
    if (!restored || !saved->copyTreeTo(*restored)) return Copy::Failed;
    saved.reset();
    if (!RegistryKey::deleteTree(root, backup)) return Copy::Failed;
    return flushed(*restored) ? Copy::Done : Copy::Failed;
}

bool writeGroups(RegistryKey& key, std::span<const ValueGroup> groups) {
    bool ok = true;
    for (const ValueGroup& group : groups)
        for (const char* name : group.names)
            ok = key.writeDWord(QString::fromLatin1(name), group.value) && ok;
    return ok;
}

bool callEntryPoint(const std::filesystem::path& path, const char* entryPoint) {
    try {
        return CallFilterLibraryEntry(path, entryPoint);
    } catch (...) {
        return false;
    }
}

} // namespace

bool SaveHaaliSettings() {
    try {
        const Copy user = copyKey(RegRoot::CurrentUser, kHaaliUserKey, kHaaliUserBackupKey);
        const Copy machine =
            copyKey(RegRoot::LocalMachine, kHaaliMachineKey, kHaaliMachineBackupKey);
        return user != Copy::Failed && machine != Copy::Failed;
    } catch (...) {
        return false;
    }
}

bool RestoreHaaliSettings() {
    try {
        restoreKey(RegRoot::CurrentUser, kHaaliUserKey, kHaaliUserBackupKey);
        return restoreKey(RegRoot::LocalMachine, kHaaliMachineKey, kHaaliMachineBackupKey) ==
               Copy::Done;
    } catch (...) {
        return false;
    }
}

bool AdjustHaaliSettings() {
    try {
        bool ok = true;
        if (auto user = RegistryKey::open(RegRoot::CurrentUser, kHaaliUserKey, false))
            ok = user->writeDWord(QStringLiteral("ui.trayicon"), 0) && flushed(*user);
        if (auto machine = RegistryKey::open(RegRoot::LocalMachine, kHaaliMachineKey, false)) {
            ok = writeGroups(*machine, kHaaliMachineValues) && flushed(*machine) && ok;
        }
        return ok;
    } catch (...) {
        return false;
    }
}

bool SaveFfdshowSettings() {
    try {
        return copyKey(RegRoot::CurrentUser, kFfdshowKey, kFfdshowBackupKey) == Copy::Done;
    } catch (...) {
        return false;
    }
}

bool RestoreFfdshowSettings() {
    try {
        return restoreKey(RegRoot::CurrentUser, kFfdshowKey, kFfdshowBackupKey) == Copy::Done;
    } catch (...) {
        return false;
    }
}

bool AdjustFfdshowSettings() {
    try {
        bool ok = true;
        std::optional<RegistryKey> last;
        for (const KeyValues& entry : kFfdshowValues) {
            last = RegistryKey::open(RegRoot::CurrentUser, QString::fromLatin1(entry.key), true);
            ok = last && writeGroups(*last, {entry.groups.begin(), entry.groups.size()}) && ok;
        }
        return last && flushed(*last) && ok;
    } catch (...) {
        return false;
    }
}

namespace {

// A handle on each hive for the whole of the start or the end: the steps share the hives read
// once rather than reading the files again for every key they open.
struct HeldHives {
    std::optional<RegistryKey> user = RegistryKey::open(RegRoot::CurrentUser, QString(), false);
    std::optional<RegistryKey> machine = RegistryKey::open(RegRoot::LocalMachine, QString(), false);
};

} // namespace

void StartFilterEnvironment(bool adjustFilters) {
    const HeldHives held;
    SaveFfdshowSettings();
    if (adjustFilters) AdjustFfdshowSettings();
    SaveHaaliSettings();
    if (adjustFilters) AdjustHaaliSettings();
}

void EndFilterEnvironment() {
    const HeldHives held;
    RestoreFfdshowSettings();
    RestoreHaaliSettings();
}

bool IsFilterInstalled(const mf::GUID& clsid) {
    try {
        mf::ComPtr<mf::IBaseFilter> filter;
        const mf::HRESULT hr = mf::FilterMapper::instance().CreateFilter(clsid, &filter);
        return mf::SUCCEEDED(hr) && filter; // the filter is released here
    } catch (...) {
        return false;
    }
}

bool RegisterFilterFile(const std::filesystem::path& path) {
    return callEntryPoint(path, "DllRegisterServer");
}

bool UnregisterFilterFile(const std::filesystem::path& path) {
    return callEntryPoint(path, "DllUnregisterServer");
}

} // namespace sp
