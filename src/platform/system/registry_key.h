#pragma once
// A handle on one key of the registry store (registry_store.h), with the operations settings and
// filter configuration need: open (with or without creating), typed reads and writes, listing,
// deleting values and key trees, copying a key tree.
//
// Handles are cheap to copy; copies share the key. Changes are made in memory and reach the disk
// when the last handle on the hive closes, or at once through flush(). A handle on a key that was
// deleted (through any handle) reads nothing and refuses writes.
//
// Threads: user-interface thread only, like the rest of the store.

#include "platform/system/registry_store.h"

#include <QStringList>

#include <optional>
#include <span>

namespace sp {

class RegistryKey {
public:
    // Opens the key at `path` (backslash-separated, leading backslash optional) under `root`.
    // Without `create` a missing key gives nothing; with it the missing keys are made. Nothing
    // also for an invalid name or a path deeper than 512 keys.
    static std::optional<RegistryKey> open(RegRoot root, const QString& path, bool create);
    // Deletes the key at `path` with everything below it. False when missing or when `path`
    // names the root of the hive, which cannot be deleted.
    static bool deleteTree(RegRoot root, const QString& path);

    std::optional<RegistryKey> openSubKey(const QString& path, bool create) const;
    bool isDeleted() const { return node_->deleted; }
    QString name() const { return node_->name; }

    // Reads: nothing when the value is missing or of another type.
    std::optional<RegValue> value(const QString& name) const;
    std::optional<QString>
    readString(const QString& name) const; // REG_SZ or REG_EXPAND_SZ, as stored
    std::optional<uint32_t> readDWord(const QString& name) const;
    std::optional<std::vector<uint8_t>> readBinary(const QString& name) const;
    bool hasValue(const QString& name) const { return value(name).has_value(); }

    // Writes replace a value of the same name whatever its type; the name keeps its first case.
    bool setValue(const QString& name, RegValue value);
    bool writeString(const QString& name, const QString& text);
    bool writeExpandString(const QString& name, const QString& text);
    bool writeDWord(const QString& name, uint32_t number);
    bool writeBinary(const QString& name, std::span<const uint8_t> bytes);
    bool deleteValue(const QString& name);

    QStringList valueNames() const;
    QStringList subKeyNames() const;
    bool hasSubKeys() const { return !node_->deleted && !node_->subkeys.empty(); }
    bool hasSubKey(const QString& path) const { return openSubKey(path, false).has_value(); }

    // Deletes the subkey at `path` (relative to this key) with its whole subtree.
    bool deleteSubKeyTree(const QString& path);
    // Copies this key's values and subkeys, recursively, into `destination` (which may lie in the
    // other hive or even below this key): values of the same name are replaced, subkeys merged.
    bool copyTreeTo(RegistryKey& destination) const;

    // Writes the hive now if it changed. False with `error` when the file could not be written
    // (the changes stay in memory and the previous file is intact).
    bool flush(std::string* error = nullptr);

private:
    RegistryKey(std::shared_ptr<RegistryHive> hive, std::shared_ptr<RegNode> node)
        : hive_(std::move(hive)), node_(std::move(node)) {}
    static std::shared_ptr<RegNode> walk(std::shared_ptr<RegNode> from, const QString& path,
                                         bool create, bool& changed);

    std::shared_ptr<RegistryHive> hive_;
    std::shared_ptr<RegNode> node_;
};

} // namespace sp
