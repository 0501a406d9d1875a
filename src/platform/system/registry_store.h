#pragma once
// The per-user store standing in for the system registry: two hives (current user and local
// machine), each a tree of keys holding typed values, kept as one readable JSON file per hive in
// the store folder. Programs use it through RegistryKey (registry_key.h); this header is the tree
// and its persistence.
//
// Store folder: $STILLPICK_REGISTRY_DIR when set and not empty, else $XDG_CONFIG_HOME/stillpick,
// else ~/.config/stillpick. The folder is read anew each time a hive is first opened, so a test
// may point it elsewhere between uses.
//
// Names: key and value names compare without regard to case and keep the case they were created
// with. A key name is 1 to 255 characters without a backslash; keys nest at most 512 deep.
//
// Persistence: a hive is loaded when its first handle opens and written back (atomically: a
// temporary file, flushed, then renamed) when it was changed and its last handle closes, or on an
// explicit flush. A hive file that cannot be parsed is read as empty, renamed aside with a
// timestamp in its name, and reported once on stderr.
//
// Threads: one hive instance is shared by every handle of the process; the cache of open hives is
// locked, the trees are not. Use keys from the user-interface thread only.

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sp {

enum class RegRoot { CurrentUser, LocalMachine };

// Value types with their Windows numbers.
enum class RegType : uint32_t { String = 1, ExpandString = 2, Binary = 3, DWord = 4 };

struct RegValue {
    RegType type = RegType::String;
    QString text;               // String and ExpandString
    uint32_t number = 0;        // DWord
    std::vector<uint8_t> bytes; // Binary

    static RegValue string(QString value) { return {RegType::String, std::move(value), 0, {}}; }
    static RegValue expandString(QString value) {
        return {RegType::ExpandString, std::move(value), 0, {}};
    }
    static RegValue dword(uint32_t value) { return {RegType::DWord, {}, value, {}}; }
    static RegValue binary(std::vector<uint8_t> value) {
        return {RegType::Binary, {}, 0, std::move(value)};
    }
    bool operator==(const RegValue&) const = default;
};

inline constexpr int kMaxKeyDepth = 512;
inline constexpr int kMaxKeyNameLength = 255;

// One key: its values in creation order and its subkeys. Nodes are shared so that a handle on a
// key stays safe after the key is deleted (the node is then marked deleted and detached).
struct RegNode {
    QString name;
    std::vector<std::pair<QString, RegValue>> values;
    std::vector<std::shared_ptr<RegNode>> subkeys;
    int depth = 0; // the hive's root is 0
    bool deleted = false;

    const RegValue* findValue(QStringView valueName) const;
    void setValue(const QString& valueName, RegValue value);
    bool removeValue(QStringView valueName);
    std::shared_ptr<RegNode> findSubKey(QStringView keyName) const;
    // Returns the existing subkey of that name if any; nothing when it would lie deeper than
    // kMaxKeyDepth.
    std::shared_ptr<RegNode> addSubKey(const QString& keyName);
    bool removeSubKey(QStringView keyName); // marks the removed subtree deleted
    std::shared_ptr<RegNode> deepCopy() const;
    // Values replaced or added, subkeys merged; false when keys beyond kMaxKeyDepth were left out.
    bool mergeFrom(const RegNode& source);
};

bool isValidKeyName(QStringView keyName);

// Splits "\Software\Orvane\Stillpick" (backslashes, empty parts ignored) into key names.
std::vector<QString> splitKeyPath(QStringView path);

class RegistryHive {
public:
    // The process-wide instance of a hive in the current store folder, loaded on first use.
    static std::shared_ptr<RegistryHive> acquire(RegRoot root);

    // The folder and file the hive of `root` lives in right now.
    static std::string storeFolder();
    static std::string hiveFileName(RegRoot root);

    RegistryHive(RegRoot root, std::string filePath);
    ~RegistryHive(); // writes pending changes; a failure is reported on stderr
    RegistryHive(const RegistryHive&) = delete;
    RegistryHive& operator=(const RegistryHive&) = delete;

    RegNode& root() { return *root_; }
    std::shared_ptr<RegNode> rootNode() { return root_; }
    const std::string& filePath() const { return filePath_; }

    void markChanged() { changed_ = true; }
    // Writes the hive if it changed since the last write. False (and `error`) when the file
    // could not be written; the changes stay pending and the previous file is intact.
    bool flush(std::string* error = nullptr);

private:
    void load();

    RegRoot rootKind_;
    std::string filePath_;
    std::shared_ptr<RegNode> root_;
    bool changed_ = false;
};

// JSON form of a hive, exposed for tests and tools. parseHive throws std::runtime_error when the
// text is not a hive.
std::string serializeHive(const RegNode& root, RegRoot kind);
std::shared_ptr<RegNode> parseHive(const std::string& text);

} // namespace sp
