#include "platform/system/registry_key.h"

namespace sp {

std::shared_ptr<RegNode> RegistryKey::walk(std::shared_ptr<RegNode> from, const QString& path,
                                           bool create, bool& changed) {
    auto node = std::move(from);
    for (const QString& part : splitKeyPath(path)) {
        if (!isValidKeyName(part) || node->deleted) return nullptr;
        auto next = node->findSubKey(part);
        if (!next && create) {
            next = node->addSubKey(part); // nothing when too deep
            changed = changed || next != nullptr;
        }
        if (!next) return nullptr;
        node = std::move(next);
    }
    return node->deleted ? nullptr : node;
}

std::optional<RegistryKey> RegistryKey::open(RegRoot root, const QString& path, bool create) {
    auto hive = RegistryHive::acquire(root);
    bool changed = false;
    auto node = walk(hive->rootNode(), path, create, changed);
    if (changed) hive->markChanged();
    if (!node) return std::nullopt;
    return RegistryKey(std::move(hive), std::move(node));
}

bool RegistryKey::deleteTree(RegRoot root, const QString& path) {
    const auto parts = splitKeyPath(path);
    if (parts.empty()) return false;
    QString parentPath;
    for (size_t i = 0; i + 1 < parts.size(); ++i)
        parentPath += parts[i] + u'\\';
    auto parent = open(root, parentPath, false);
    return parent && parent->deleteSubKeyTree(parts.back());
}

std::optional<RegistryKey> RegistryKey::openSubKey(const QString& path, bool create) const {
    bool changed = false;
    auto node = walk(node_, path, create, changed);
    if (changed) hive_->markChanged();
    if (!node) return std::nullopt;
    return RegistryKey(hive_, std::move(node));
}

std::optional<RegValue> RegistryKey::value(const QString& name) const {
    if (node_->deleted) return std::nullopt;
    const RegValue* found = node_->findValue(name);
    return found ? std::optional<RegValue>(*found) : std::nullopt;
}

std::optional<QString> RegistryKey::readString(const QString& name) const {
    const auto found = value(name);
    if (!found || (found->type != RegType::String && found->type != RegType::ExpandString))
        return std::nullopt;
    return found->text;
}

std::optional<uint32_t> RegistryKey::readDWord(const QString& name) const {
    const auto found = value(name);
    if (!found || found->type != RegType::DWord) return std::nullopt;
    return found->number;
}

std::optional<std::vector<uint8_t>> RegistryKey::readBinary(const QString& name) const {
    const auto found = value(name);
    if (!found || found->type != RegType::Binary) return std::nullopt;
    return found->bytes;
}

bool RegistryKey::setValue(const QString& name, RegValue value) {
    if (node_->deleted) return false;
    // Writing what is there already changes nothing, and the hive is not written again for it.
    if (const RegValue* present = node_->findValue(name); present && *present == value) return true;
    node_->setValue(name, std::move(value));
    hive_->markChanged();
    return true;
}

bool RegistryKey::writeString(const QString& name, const QString& text) {
    return setValue(name, RegValue::string(text));
}

bool RegistryKey::writeExpandString(const QString& name, const QString& text) {
    return setValue(name, RegValue::expandString(text));
}

bool RegistryKey::writeDWord(const QString& name, uint32_t number) {
    return setValue(name, RegValue::dword(number));
}

bool RegistryKey::writeBinary(const QString& name, std::span<const uint8_t> bytes) {
    return setValue(name, RegValue::binary({bytes.begin(), bytes.end()}));
}

bool RegistryKey::deleteValue(const QString& name) {
    if (node_->deleted || !node_->removeValue(name)) return false;
    hive_->markChanged();
    return true;
}

QStringList RegistryKey::valueNames() const {
    QStringList names;
    if (!node_->deleted)
        for (const auto& entry : node_->values)
            names << entry.first;
    return names;
}

QStringList RegistryKey::subKeyNames() const {
    QStringList names;
    if (!node_->deleted)
        for (const auto& key : node_->subkeys)
            names << key->name;
    return names;
}

bool RegistryKey::deleteSubKeyTree(const QString& path) {
    const auto parts = splitKeyPath(path);
    if (parts.empty() || node_->deleted) return false;
    auto parent = node_;
    bool changed = false;
    for (size_t i = 0; parent && i + 1 < parts.size(); ++i)
        parent = walk(parent, parts[i], false, changed);
    if (!parent || !parent->removeSubKey(parts.back())) return false;
    hive_->markChanged();
    return true;
}

bool RegistryKey::copyTreeTo(RegistryKey& destination) const {
    if (node_->deleted || destination.node_->deleted) return false;
    // A snapshot first, so that copying a key into its own subtree terminates.
    const auto snapshot = node_->deepCopy();
    const bool complete = destination.node_->mergeFrom(*snapshot);
    destination.hive_->markChanged();
    return complete;
}

bool RegistryKey::flush(std::string* error) {
    return hive_->flush(error);
}

} // namespace sp
